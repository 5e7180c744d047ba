// Exit statuses end to end: 0 when a command did its work and showed no error
// message, 5 when it showed one or a copy failed; the line that ends every copy.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_test_support.h"

namespace veskaro::cli_test {
namespace {

class ExitStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = Scratch();
    installation_ = CopySample(scratch_ / "sample");
    cwd_ = scratch_ / "cwd";
    out_ = scratch_ / "out";
    fs::create_directories(cwd_);
    fs::create_directories(out_);
  }
  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", installation_.string()});
    return RunCli(args, cwd_);
  }
  fs::path scratch_, installation_, cwd_, out_;
};

TEST_F(ExitStatusTest, CleanCommandsEndWithZero) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"classes"},
                                             {"entries", "MEDIA"},
                                             {"files", "MEDIA", "0000"},
                                             {"files", "Image", "0000"}}) {
    const Result r = Cli(args);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
  }
  const Result r = Cli({"copy", "MEDIA", "0000", "--to", out_.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("veskaro-cli: files copied: 7, driver folders written: 1, failures: 0\n"),
            std::string::npos);
}

TEST_F(ExitStatusTest, EachErrorMessageAndFailedCopyEndsWithFive) {
  // An unrecognised destination number, an INF that is not located.
  Result r = Cli({"files", "hdc", "0001"});
  EXPECT_EQ(r.status, 5) << r.err;
  r = Cli({"files", "Net", "0002"});
  EXPECT_EQ(r.status, 5) << r.err;
  // Copying the entry whose INF is missing: its message, nothing to copy.
  r = Cli({"copy", "Net", "0002", "--to", out_.string()});
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(r.err,
            "veskaro: Veskaro: Couldnt Locate INF File\n"
            "veskaro: File Copy: No files are displayed in the listbox.\n"
            "veskaro-cli: files copied: 0, driver folders written: 0, failures: 0\n");
  // /proc takes no folder: the copy fails at once, whichever message the host's
  // refusal gives.
  r = Cli({"copy", "MEDIA", "0000", "--to", "/proc"});
  EXPECT_EQ(r.status, 5) << r.err;
  EXPECT_NE(r.err.find("failures: 1 (the copy stopped at a failure)\n"), std::string::npos)
      << r.err;
  // A driver folder blocked by a file of its name.
  std::ofstream(out_ / "Zentara Audio 16_32") << "a file";
  r = Cli({"copy", "MEDIA", "0000", "--to", out_.string()});
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("An error has occured while copying the files"), std::string::npos);
  EXPECT_EQ(Slurp(out_ / "Zentara Audio 16_32"), "a file");
}

TEST_F(ExitStatusTest, UnreadableInfEndsWithFive) {
  // An INF whose reading fails: /proc/self/mem of the reading process cannot be read
  // at its start, whoever reads it.
  const fs::path inf = installation_ / "WINDOWS" / "INF" / "OTHER" / "ZENAUDIO.INF";
  fs::remove(inf);
  fs::create_symlink("/proc/self/mem", inf);
  const Result r = Cli({"files", "MEDIA", "0000"});
  if (r.err.find("Unable to read the file") == std::string::npos) {
    GTEST_SKIP() << "reading /proc/self/mem did not fail here: " << r.err;
  }
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("C:\\WINDOWS\\INF\\OTHER\\ZENAUDIO.INF"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace veskaro::cli_test
