// Command-line options shared by the generator and the benchmark program.
#pragma once

#include <cstdlib>
#include <string>

#include "bench/generator.h"

namespace veskaro::bench {

inline constexpr char kSizeOptionsHelp[] =
    "  --preset NAME       tiny, small or large (default: large, 2,000 entries)\n"
    "  --seed N            seed of the generator (default 1)\n"
    "  --classes N         driver classes\n"
    "  --entries N         driver entries per class\n"
    "  --infs N            distinct driver INF files (default: a quarter of the entries)\n"
    "  --min-inf-kb N      smallest INF in KB\n"
    "  --max-inf-kb N      largest INF in KB\n"
    "  --layout-lines N    lines of layout.inf's [SourceDisksFiles]\n"
    "  --huge-mb N         size of HUGE.INF in MB (the reader's test file)\n";

/// Applies one size option (`name` with the value `value`) to `options`, presets
/// first. False when `name` is not a size option or the value is not a number.
inline bool ApplySizeOption(const std::string& name, const std::string& value,
                            GeneratorOptions* options, std::string* preset) {
  if (name == "--preset") {
    GeneratorOptions fresh;
    if (!PresetOptions(value, &fresh)) return false;
    fresh.seed = options->seed;
    *options = fresh;
    *preset = value;
    return true;
  }
  char* end = nullptr;
  const unsigned long long n = std::strtoull(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0') return false;
  if (name == "--seed")
    options->seed = n;
  else if (name == "--classes")
    options->classes = static_cast<int>(n);
  else if (name == "--entries")
    options->entries_per_class = static_cast<int>(n);
  else if (name == "--infs")
    options->infs = static_cast<int>(n);
  else if (name == "--min-inf-kb")
    options->min_inf_bytes = n * 1024;
  else if (name == "--max-inf-kb")
    options->max_inf_bytes = n * 1024;
  else if (name == "--layout-lines")
    options->layout_lines = static_cast<int>(n);
  else if (name == "--huge-mb")
    options->huge_inf_bytes = n * 1024 * 1024;
  else
    return false;
  if (name != "--seed") *preset = "custom";
  return true;
}

}  // namespace veskaro::bench
