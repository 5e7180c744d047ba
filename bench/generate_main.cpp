// veskaro-bench-gen: writes a synthetic Windows 9x installation for the benchmark.
#include <cstdio>
#include <string>

#include "bench/generator.h"
#include "bench/options.h"

int main(int argc, char** argv) {
  veskaro::bench::GeneratorOptions options;
  std::string preset = "large";
  std::string out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::printf(
          "Usage: veskaro-bench-gen [OPTIONS] OUT_DIR\n"
          "Writes OUT_DIR/drive_c/ (drive C: of a Windows 98 installation), OUT_DIR/system.reg\n"
          "(its registry, REGEDIT4), OUT_DIR/HUGE.INF and OUT_DIR/bench-manifest.txt.\n"
          "The same options always give the same bytes.\n\n%s",
          veskaro::bench::kSizeOptionsHelp);
      return 0;
    }
    if (arg.rfind("--", 0) == 0) {
      if (i + 1 >= argc || !veskaro::bench::ApplySizeOption(arg, argv[i + 1], &options, &preset)) {
        std::fprintf(stderr, "veskaro-bench-gen: bad option %s\n", arg.c_str());
        return 2;
      }
      ++i;
    } else if (out.empty()) {
      out = arg;
    } else {
      std::fprintf(stderr, "veskaro-bench-gen: one output folder only\n");
      return 2;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "veskaro-bench-gen: no output folder given (see --help)\n");
    return 2;
  }
  veskaro::bench::Manifest manifest;
  std::string error;
  if (!veskaro::bench::Generate(options, out, &manifest, &error)) {
    std::fprintf(stderr, "veskaro-bench-gen: %s\n", error.c_str());
    return 1;
  }
  std::printf(
      "%s: %zu entries, %zu INFs (%zu bytes), layout.inf %zu bytes, %zu files (%zu bytes)\n",
      out.c_str(), manifest.entries, manifest.inf_files, manifest.inf_bytes, manifest.layout_bytes,
      manifest.driver_files, manifest.driver_bytes);
  return 0;
}
