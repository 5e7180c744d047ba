// A hostile INF read through the real file system: a line of 100 MB inside the
// install section of a sample driver's INF. The program reads it whole, gives the
// same result as without it, and its memory stays a small multiple of the line.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>

#include "cli/cli_test_support.h"

namespace veskaro::cli_test {
namespace {

TEST(HostileInputsTest, LineOfOneHundredMegabytesInARealInf) {
  const fs::path scratch = Scratch();
  const fs::path installation = CopySample(scratch / "sample");
  const fs::path cwd = scratch / "cwd";
  fs::create_directories(cwd);
  const Result plain = RunCli({"--root", installation.string(), "files", "MEDIA", "0000"}, cwd);
  ASSERT_EQ(plain.status, 0) << plain.err;

  const fs::path inf = installation / "WINDOWS" / "INF" / "OTHER" / "ZENAUDIO.INF";
  const std::string text = Slurp(inf);
  const std::size_t body = text.find("\r\n", text.find("[ZenAudio.Install]")) + 2;
  {
    std::ofstream out(inf, std::ios::binary);
    out << text.substr(0, body);
    const std::string block(1 << 20, 'A');
    for (int i = 0; i < 100; ++i) out << block;
    out << "\r\n" << text.substr(body);
  }
  const Result huge = RunCli({"--root", installation.string(), "files", "MEDIA", "0000"}, cwd);
  EXPECT_EQ(huge.status, 0) << huge.err;
  EXPECT_EQ(huge.out, plain.out);
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  EXPECT_LT(children.ru_maxrss, 1L << 20) << "KiB at the peak";
}

}  // namespace
}  // namespace veskaro::cli_test
