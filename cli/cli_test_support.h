// Running veskaro-cli from tests on a private copy of the bundled sample, and
// describing folder trees so that two moments can be compared.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "testing/shell_command.h"
#include "testing/temp_folder.h"

namespace veskaro::cli_test {

namespace fs = std::filesystem;

using Result = testing::CommandResult;
using testing::RunShell;

inline std::string Slurp(const fs::path& path) { return testing::ReadFile(path); }
inline std::string Quote(const std::string& arg) { return testing::ShellQuote(arg); }

/// The shell command that runs veskaro-cli with `args`.
inline std::string CliCommand(const std::vector<std::string>& args) {
  std::string command = Quote(VESKARO_CLI);
  for (const auto& a : args) command += " " + Quote(a);
  return command;
}

/// Runs veskaro-cli with `args` in the folder `cwd`, with HOME and TMPDIR set to
/// `cwd` as well, so that a stray write of the program would land there.
inline Result RunCli(const std::vector<std::string>& args, const fs::path& cwd) {
  const fs::path err = cwd.parent_path() / (cwd.filename().string() + ".stderr");
  Result r = RunShell("cd " + Quote(cwd.string()) + " && HOME=" + Quote(cwd.string()) +
                          " TMPDIR=" + Quote(cwd.string()) + " " + CliCommand(args),
                      err);
  fs::remove(err);
  return r;
}

/// 64-bit FNV-1a of some bytes.
inline std::uint64_t Hash(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

/// Every entry below `root` (relative path -> kind, mode, size, change and
/// modification times, and the contents' hash for files). Access times are left
/// out: reading changes them.
inline std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    struct stat info;
    if (lstat(e.path().c_str(), &info) != 0) continue;
    std::ostringstream s;
    s << std::oct << info.st_mode << std::dec << ' ' << info.st_size << ' ' << info.st_mtim.tv_sec
      << '.' << info.st_mtim.tv_nsec << ' ' << info.st_ctim.tv_sec << '.' << info.st_ctim.tv_nsec;
    if (S_ISREG(info.st_mode)) s << ' ' << std::hex << Hash(Slurp(e.path()));
    entries[fs::relative(e.path(), root).string()] = s.str();
  }
  return entries;
}

/// Every file below `root` (relative path -> contents).
inline std::map<std::string, std::string> Files(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = Slurp(e.path());
  }
  return files;
}

/// A private copy of the bundled sample below `folder`: `folder`/drive_c and its
/// export `folder`/system.reg. Returns the drive_c path.
inline fs::path CopySample(const fs::path& folder) {
  fs::create_directories(folder);
  fs::copy(VESKARO_SAMPLE_DIR, folder, fs::copy_options::recursive);
  return folder / "drive_c";
}

/// The scratch folder of the running test, emptied.
inline fs::path Scratch() {
  const fs::path scratch = fs::path(VESKARO_TEST_SCRATCH) /
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
  testing::RemoveTree(scratch);
  fs::create_directories(scratch);
  return scratch;
}

/// A test's own copy of the sample, below its emptied scratch folder: the copy's
/// drive C: (`installation`), and two empty folders, `cwd` to run in and `out` to copy
/// into.
struct SampleCopy {
  SampleCopy() {
    fs::create_directories(cwd);
    fs::create_directories(out);
  }
  fs::path scratch = Scratch();
  fs::path installation = CopySample(scratch / "sample");
  fs::path cwd = scratch / "cwd";
  fs::path out = scratch / "out";
};

}  // namespace veskaro::cli_test
