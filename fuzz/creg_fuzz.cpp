// The SYSTEM.DAT loader (a layout check, then libcreg) on mutated hives. Each input
// is handed over as a file in memory (memfd), as the loader reads a path.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/registry_walk.h"
#include "platform/offline/creg_registry.h"

namespace {

int HiveFile() {
  static const int fd = memfd_create("fuzz-hive", MFD_CLOEXEC);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veskaro;
  const int fd = HiveFile();
  fuzz::Check(fd >= 0, "a memory file can be made");
  fuzz::Check(ftruncate(fd, 0) == 0, "the memory file can be emptied");
  fuzz::Check(size == 0 || pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
              "the input can be written to the memory file");
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  platform::MemoryRegistry reg;
  std::string error;
  const bool loaded = platform::LoadCregFile(path, platform::kCregDefaultCodepage, reg, &error);
  fuzz::Check(loaded == error.empty(), "a failed load says why, a good one says nothing", error);
  fuzz::Check(loaded || error.find(path) != std::string::npos, "a load error names the file",
              error);
  fuzz::WalkRegistry(reg, platform::kHKeyLocalMachine);
  return 0;
}
