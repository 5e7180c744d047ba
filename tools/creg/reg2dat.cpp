// reg2dat [--page N] <in.reg> <out.dat>: writes the HKEY_LOCAL_MACHINE keys of a
// REGEDIT4 export as a Windows 9x registry hive (SYSTEM.DAT), for test data. The
// hive's areas are padded to pages of N bytes (default 4096, as Windows does).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/memory_registry.h"
#include "platform/regedit4.h"
#include "tools/creg/creg_writer.h"

int main(int argc, char** argv) {
  using namespace veskaro;
  std::size_t page = tools::kCregPage;
  if (argc == 5 && std::string(argv[1]) == "--page") {
    page = std::strtoul(argv[2], nullptr, 10);
    argv += 2;
    argc -= 2;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: reg2dat [--page N] <in.reg> <out.dat>\n");
    return 2;
  }
  platform::MemoryRegistry registry;
  platform::Regedit4Result loaded = platform::LoadRegedit4File(argv[1], registry);
  if (!loaded.ok()) {
    std::fprintf(stderr, "reg2dat: %s\n", loaded.error.c_str());
    return 1;
  }
  const platform::MemoryRegistry::Key* machine = registry.FindKey(platform::kHKeyLocalMachine, "");
  std::string error;
  if (machine == nullptr || !tools::WriteCregFile(*machine, argv[2], &error, page)) {
    std::fprintf(stderr, "reg2dat: %s\n", machine ? error.c_str() : "no HKEY_LOCAL_MACHINE keys");
    return 1;
  }
  return 0;
}
