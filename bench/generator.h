// Synthetic Windows 9x installations for the benchmark: a folder "drive_c/" that is
// drive C: and a REGEDIT4 export "system.reg" beside it, laid out like the bundled
// sample, at any size and reproducible from a seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace veskaro::bench {

/// What to generate. Every count and size is reproduced exactly from `seed`.
struct GeneratorOptions {
  std::uint64_t seed = 1;
  int classes = 20;             ///< listed driver classes
  int entries_per_class = 100;  ///< listed driver entries per class
  /// Distinct driver INF files; 0 picks a quarter of the entries (an INF serves
  /// several models, as vendor INFs do).
  int infs = 0;
  std::size_t min_inf_bytes = 2 * 1024;         ///< smallest INF
  std::size_t max_inf_bytes = 2 * 1024 * 1024;  ///< the largest INF has about this size
  int layout_lines = 21000;                     ///< lines of layout.inf's [SourceDisksFiles]
  /// Size of "HUGE.INF" beside system.reg (outside the installation), for the
  /// reader's throughput; 0 writes none.
  std::size_t huge_inf_bytes = 50u * 1024 * 1024;
};

/// The presets: "tiny" (the CI smoke size), "small" and "large" (2,000 entries).
/// False for an unknown name.
bool PresetOptions(const std::string& name, GeneratorOptions* options);

/// What the benchmark needs to know about a generated installation. Written to
/// "bench-manifest.txt" in the output folder, the last file written, so that a
/// complete installation can be recognised and reused.
struct Manifest {
  std::string parameters;   ///< one line naming every option, to compare
  std::string large_class;  ///< class key of the entry whose INF is the largest
  std::string large_entry;  ///< that entry's key below the class ("0007")
  std::size_t large_inf_bytes = 0;
  std::string huge_last_section;         ///< name of the last section of HUGE.INF
  std::size_t huge_last_lines = 0;       ///< non-empty lines of that section
  std::size_t huge_copyfiles_lines = 0;  ///< "CopyFiles" lines in HUGE.INF
  std::size_t inf_files = 0;             ///< driver INF files written
  std::size_t inf_bytes = 0;
  std::size_t layout_bytes = 0;  ///< size of layout.inf
  std::size_t driver_files = 0;  ///< other files written below drive_c
  std::size_t driver_bytes = 0;
  std::size_t entries = 0;  ///< listed driver entries in the registry
};

/// The parameter line of `options` (what the manifest records).
std::string ParameterLine(const GeneratorOptions& options);

/// Writes the installation into host folder `out_dir`: drive_c/, system.reg,
/// HUGE.INF (when asked for) and bench-manifest.txt. `out_dir` must be missing,
/// empty, or an earlier output of this generator (then only the names above are
/// replaced). False with `*error` on any failure.
bool Generate(const GeneratorOptions& options, const std::string& out_dir, Manifest* manifest,
              std::string* error);

/// Reads the manifest of an earlier output. False when there is none or it is damaged.
bool ReadManifest(const std::string& out_dir, Manifest* manifest);

}  // namespace veskaro::bench
