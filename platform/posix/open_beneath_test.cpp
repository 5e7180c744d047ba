#include "platform/posix/open_beneath.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/posix/fd.h"
#include "testing/temp_folder.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;

// The kernel's confinement and the fallback for kernels without it agree on every
// kind of link: inside followed, outside refused, loops ended.
TEST(OpenBeneathTest, FollowsLinksOnlyWhileTheyStayInside) {
  const testing::TempFolder temp("veskaro_beneath");
  const fs::path root = temp.path() / "c";
  testing::WriteFile(root / "WINDOWS" / "INF" / "NET.INF", "inside");
  testing::WriteFile(temp.path() / "secret" / "id_rsa", "outside");
  const fs::path system = root / "WINDOWS" / "SYSTEM";
  fs::create_directories(system);
  fs::create_symlink("../INF/NET.INF", system / "rel_in");
  fs::create_symlink(root / "WINDOWS" / "INF" / "NET.INF", system / "abs_in");
  fs::create_symlink("../INF", system / "dir_in");
  fs::create_symlink("../../../secret/id_rsa", system / "rel_out");
  fs::create_symlink(temp.path() / "secret" / "id_rsa", system / "abs_out");
  fs::create_symlink(temp.path() / "secret", system / "dir_out");
  fs::create_symlink("/etc/passwd", system / "etc_out");
  fs::create_symlink("loop", system / "loop");
  fs::create_symlink("../../../secret/none", system / "dangling_out");

  struct Case {
    const char* relative;
    int error;  // 0: opens and reads "inside"
  };
  const Case cases[] = {
      {"WINDOWS/INF/NET.INF", 0},           {"WINDOWS/SYSTEM/rel_in", 0},
      {"WINDOWS/SYSTEM/abs_in", 0},         {"WINDOWS/SYSTEM/dir_in/NET.INF", 0},
      {"WINDOWS/SYSTEM/../INF/NET.INF", 0}, {"WINDOWS/SYSTEM/rel_out", EXDEV},
      {"WINDOWS/SYSTEM/abs_out", EXDEV},    {"WINDOWS/SYSTEM/dir_out/id_rsa", EXDEV},
      {"WINDOWS/SYSTEM/etc_out", EXDEV},    {"../secret/id_rsa", EXDEV},
      {"WINDOWS/SYSTEM/loop", ELOOP},       {"WINDOWS/SYSTEM/missing", ENOENT},
  };
  // The kernel's way, from the root's path or from the root opened, and the fallback.
  const Fd root_fd(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  using Opener = std::function<int(const std::string&, const std::string&, int)>;
  const Opener openers[] = {
      [](const std::string& r, const std::string& p, int f) { return OpenBeneath(r, p, f); },
      [&](const std::string& r, const std::string& p, int f) {
        return OpenBeneath(r, p, f, root_fd.get());
      },
      &OpenBeneathByRealPath};
  for (const Opener& opener : openers) {
    for (const Case& c : cases) {
      errno = 0;
      const Fd fd(opener(root.string(), c.relative, O_RDONLY));
      if (c.error == 0) {
        ASSERT_GE(fd.get(), 0) << c.relative << ": " << std::strerror(errno);
        char bytes[16] = {};
        EXPECT_EQ(read(fd.get(), bytes, sizeof bytes), 6) << c.relative;
        EXPECT_STREQ(bytes, "inside") << c.relative;
      } else {
        EXPECT_EQ(fd.get(), -1) << c.relative;
        EXPECT_EQ(errno, c.error) << c.relative << ": " << std::strerror(errno);
      }
    }
    // A dangling link outside is refused or absent, never created.
    const Fd dangling(opener(root.string(), "WINDOWS/SYSTEM/dangling_out", O_RDONLY));
    EXPECT_EQ(dangling.get(), -1);
    EXPECT_TRUE(errno == EXDEV || errno == ENOENT) << std::strerror(errno);
    // The root itself, and "/" with nothing outside it.
    EXPECT_GE(Fd(opener(root.string(), "", O_RDONLY | O_DIRECTORY)).get(), 0);
    EXPECT_GE(Fd(opener("/", (root / "WINDOWS/SYSTEM/abs_out").relative_path(), O_RDONLY)).get(),
              0);
  }
}

}  // namespace
}  // namespace veskaro::platform
