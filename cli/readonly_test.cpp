// The installation being read is never written, and nothing is written outside the
// chosen folder: veskaro-cli runs every command over a read-only copy of the
// sample, and over a copy crafted to climb out of its folders, and the trees are
// compared, entry by entry, before and after.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"

namespace veskaro::cli_test {
namespace {

// Makes everything below `root` read-only (chmod -R a-w). Root ignores the modes,
// which is why the tests compare the trees as well.
void MakeReadOnly(const fs::path& root) {
  const auto no_write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_symlink()) fs::permissions(e.path(), no_write, fs::perm_options::remove);
  }
  fs::permissions(root, no_write, fs::perm_options::remove);
}

// Every copied file is a whole copy of a file of the installation, in a driver
// folder directly below `out`.
void ExpectOnlyWholeCopies(const fs::path& out, const fs::path& installation) {
  std::set<std::string> sources;
  for (const auto& [path, contents] : Files(installation)) sources.insert(contents);
  for (const auto& [path, contents] : Files(out)) {
    EXPECT_EQ(fs::path(path).parent_path().parent_path(), fs::path()) << path;
    EXPECT_EQ(sources.count(contents), 1u) << path << " is not a whole installation file";
  }
}

TEST(ReadOnlyTest, GatherAndCopyChangeNothingOfTheInstallation) {
  const fs::path scratch = Scratch();
  const fs::path installation = CopySample(scratch / "sample");
  const fs::path cwd = scratch / "cwd";
  const fs::path out = scratch / "out";
  fs::create_directories(cwd);
  fs::create_directories(out);
  MakeReadOnly(scratch / "sample");
  const auto before = Snapshot(scratch / "sample");
  const std::string root = installation.string();

  const std::vector<std::vector<std::string>> runs = {
      {"--root", root, "classes"},
      {"--root", root, "entries", "MEDIA"},
      {"--root", root, "files", "Net", "0000"},
      {"--root", root, "gather", "--copy-to", out.string()},
      {"--root", root, "--answer", "yes", "copy", "MEDIA", "0000", "--to", out.string()},
      // The same through the REGEDIT4 export and through the hive named explicitly.
      {"--root", root, "--registry", (scratch / "sample" / "system.reg").string(), "gather",
       "--copy-to", out.string()},
      {"--root", root, "--registry", (installation / "WINDOWS" / "SYSTEM.DAT").string(), "gather",
       "--copy-to", out.string()},
  };
  for (const auto& args : runs) {
    const Result r = RunCli(args, cwd);
    // A gather shows the sample's two error messages: done, with status 5.
    const bool gather = std::find(args.begin(), args.end(), "gather") != args.end();
    EXPECT_EQ(r.status, gather ? 5 : 0) << args.back() << ": " << r.err;
  }
  // The report reads every entry and writes nothing, in either form.
  EXPECT_EQ(RunCli({"--root", root, "report"}, cwd).status, 5);
  EXPECT_EQ(RunCli({"--root", root, "report", "--json"}, cwd).status, 5);
  const auto after = Snapshot(scratch / "sample");
  EXPECT_EQ(after, before) << "the installation changed";
  EXPECT_TRUE(fs::is_empty(cwd)) << "something was written to the working folder or HOME";
  std::set<std::string> top;
  for (const auto& e : fs::directory_iterator(scratch)) top.insert(e.path().filename().string());
  EXPECT_EQ(top, (std::set<std::string>{"cwd", "out", "sample"}));
  std::set<std::string> folders;
  for (const auto& e : fs::directory_iterator(out)) folders.insert(e.path().filename().string());
  EXPECT_EQ(folders.size(), 7u);  // one per gathered driver whose INF was found
  ExpectOnlyWholeCopies(out, installation);
}

TEST(ReadOnlyTest, CraftedEntriesCannotReachOutsideTheirFolders) {
  const fs::path scratch = Scratch();
  const fs::path installation = CopySample(scratch / "sample");
  const fs::path cwd = scratch / "cwd";
  const fs::path out = scratch / "out";
  fs::create_directories(cwd);
  fs::create_directories(out);

  // A file of the host beside the copy, and the installation's own file of the same
  // relative path: an INF line climbing with "/" and ".." names the latter, and a
  // copy that climbed as far would overwrite the former.
  const fs::path victim = scratch / "victim.txt";
  std::ofstream(victim) << "host's own";
  const std::string host_tail = fs::relative(victim, "/").string();  // "work/.../victim.txt"
  std::string climb;
  for (int i = 0; i < 32; ++i) climb += "/..";
  climb += "/";
  fs::create_directories((installation / host_tail).parent_path());
  std::ofstream(installation / host_tail) << "installation's own";
  std::ofstream(scratch / "outside.inf") << "[Install]\r\nCopyFiles=L\r\n";
  std::ofstream(installation / "WINDOWS" / "INF" / "OTHER" / "CLIMB.INF")
      << "[Install]\r\nCopyFiles=L\r\n[L]\r\nx" << climb << host_tail
      << "\r\nZENAUD.SYS,..\\..\\..\\..\\evil1.txt\r\nZENWAVE.DRV,/tmp/evil2.txt\r\n"
      << "[DestinationDirs]\r\nDefaultDestDir=11\r\n";
  std::ofstream(scratch / "crafted.reg")
      << "REGEDIT4\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Media\\0000]\r\n"
         "\"DriverDesc\"=\"..\"\r\n\"InfPath\"=\"climb.inf\"\r\n\"InfSection\"=\"Install\"\r\n"
         "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Media\\0001]\r\n"
         "\"DriverDesc\"=\"Outside\"\r\n"
         "\"InfPath\"=\"..\\\\..\\\\..\\\\..\\\\..\\\\..\\\\..\\\\..\\\\..\\\\outside.inf\"\r\n"
         "\"InfSection\"=\"Install\"\r\n";
  const auto before = Snapshot(installation);

  const std::string registry = (scratch / "crafted.reg").string();
  Result r = RunCli({"--root", installation.string(), "--registry", registry, "copy", "Media",
                     "0000", "--to", out.string()},
                    cwd);
  EXPECT_EQ(r.err,
            "veskaro: Copying Files: Files Copied Successfully\n"
            "veskaro-cli: files copied: 4, driver folders written: 1, failures: 0\n");
  EXPECT_EQ(Files(out), (std::map<std::string, std::string>{
                            {"__/CLIMB.INF", Slurp(installation / "WINDOWS/INF/OTHER/CLIMB.INF")},
                            {"__/evil1.txt", Slurp(installation / "WINDOWS/SYSTEM/ZENAUD.SYS")},
                            {"__/evil2.txt", Slurp(installation / "WINDOWS/SYSTEM/ZENWAVE.DRV")},
                            {"__/victim.txt", "installation's own"}}));

  r = RunCli({"--root", installation.string(), "--registry", registry, "files", "Media", "0001"},
             cwd);
  EXPECT_EQ(r.err, "veskaro: Veskaro: Couldnt Locate INF File\n");

  EXPECT_EQ(Slurp(victim), "host's own");
  EXPECT_EQ(Snapshot(installation), before);
  EXPECT_TRUE(fs::is_empty(cwd));
}

}  // namespace
}  // namespace veskaro::cli_test
