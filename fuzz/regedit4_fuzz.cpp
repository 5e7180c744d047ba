// The REGEDIT4 loader over arbitrary text; what it loads is read back through the
// registry operations and the class and entry lists.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "fuzz/registry_walk.h"
#include "platform/regedit4.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veskaro;
  platform::MemoryRegistry reg;
  const platform::Regedit4Result result =
      platform::LoadRegedit4(fuzz::AsText(data, size), "fuzz.reg", reg);
  fuzz::Check(result.ok() || result.error.starts_with("fuzz.reg"), "a load error names the file",
              result.error);
  // Keys read before a faulty line stay; both cases are read back.
  for (platform::RegKey root = 0x80000000u; root <= 0x80000006u; ++root) {
    fuzz::WalkRegistry(reg, root, root == platform::kHKeyLocalMachine ? 200 : 30);
  }
  return 0;
}
