#include "platform/posix/host_file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/test_mounts.h"
#include "platform/short_names.h"
#include "testing/file_system_contract.h"
#include "testing/temp_folder.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using Kind = SearchKind;
using testing::ReadFile;
using testing::WriteFile;

// The names stored in a host folder.
std::vector<std::string> HostNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// The host file system under the shared contract: the tree is drive C: (the
// installation, protected), writes go to a folder reached through Z:.
class HostContract {
 public:
  static constexpr bool kAttributes = false;

  HostContract() {
    fs::create_directories(temp_ / "c");
    fs::create_directories(temp_ / "out");
  }
  ~HostContract() {
    if (mounted_) test_mounts::Unmount((temp_ / "full").string());
  }

  void AddFile(std::string_view relative, std::string_view bytes, unsigned) {
    WriteFile(Host(relative), bytes);
  }
  void AddFolder(std::string_view relative, unsigned) { fs::create_directories(Host(relative)); }
  std::string Root() { return "C:"; }
  FileSystem& Files() {
    if (!files_) {
      const std::string c = (temp_ / "c").string();
      files_ = std::make_unique<HostFileSystem>(HostDrives(c), std::vector<std::string>{c});
    }
    return *files_;
  }
  std::string Alias(std::string_view relative) {
    const fs::path host = Host(relative);
    const std::vector<std::string> names = HostNames(host.parent_path());
    const std::vector<std::string> aliases = ShortAliases(names);
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] == host.filename().string()) return aliases[i];
    }
    return {};
  }
  std::string Out() { return HostToWindowsPath((temp_ / "out").string()); }
  std::set<std::string> NamesIn(std::string_view folder) {
    const std::vector<std::string> names = HostNames(files_->ToHostPath(folder));
    return {names.begin(), names.end()};
  }
  std::string FullFolder() {
    const fs::path full = temp_ / "full";
    fs::create_directories(full);
    std::string why;
    if (!test_mounts::MountSmallDrive(full.string(), 64 * 1024, &why)) return {};
    mounted_ = true;
    WriteFile(full / "EARLIER.BIN", "earlier");
    return HostToWindowsPath(full.string());
  }

 private:
  fs::path Host(std::string_view relative) const {
    std::string path(relative);
    for (char& c : path) c = c == '\\' ? '/' : c;
    return temp_ / "c" / path;
  }

  testing::TempFolder temp_{"veskaro_contract"};
  std::unique_ptr<HostFileSystem> files_;
  bool mounted_ = false;
};

// Names in a host folder that look like our temporaries.
int Temporaries(const fs::path& folder) {
  int count = 0;
  for (const std::string& name : HostNames(folder)) count += name.starts_with("~vsk") ? 1 : 0;
  return count;
}

class HostFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_ = temp_ / "win98";
    out_ = temp_ / "out";
    WriteFile(install_ / "WINDOWS" / "INF" / "Net.inf", "[Version]\r\nSignature=$CHICAGO$\r\n");
    WriteFile(install_ / "WINDOWS" / "INF" / "OTHER" / "Acme Corp Sound.inf", "acme");
    WriteFile(install_ / "Program Files" / "Acme" / "acme.dll", "dll");
    fs::create_directories(out_);
    fs_ = std::make_unique<HostFileSystem>(HostDrives(install_.string()),
                                           std::vector<std::string>{install_.string()});
  }

  // The Z: path of a host path below the test folder.
  std::string Z(const fs::path& host) const { return HostToWindowsPath(host.string()); }

  testing::TempFolder temp_{"veskaro_hostfs"};
  fs::path install_, out_;
  std::unique_ptr<HostFileSystem> fs_;
};

// Beyond the contract: drive roots, patterns in name order, and a case-sensitive
// host's names that differ only in case.
TEST_F(HostFileSystemTest, DriveRootsNameOrderAndCaseTwins) {
  EXPECT_EQ(fs_->FindFirst("C:\\", Kind::kDirectory), "C:\\");
  EXPECT_EQ(fs_->FindFirst("C:\\", Kind::kNormal), "");
  WriteFile(install_ / "WINDOWS" / "INF" / "apm.inf", "");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\*.INF", Kind::kNormal), "apm.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\N?T.*", Kind::kNormal), "Net.inf");
  WriteFile(install_ / "WINDOWS" / "INF" / "NET.INF", "upper");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\NET.INF", Kind::kNormal), "NET.INF");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\Net.inf", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\net.INF", Kind::kNormal), "NET.INF");
}

TEST_F(HostFileSystemTest, MapsHostPathsAndZPaths) {
  EXPECT_EQ(fs_->ToHostPath("C:\\PROGRA~1\\ACME\\ACME.DLL"),
            (install_ / "Program Files" / "Acme" / "acme.dll").string());
  EXPECT_EQ(fs_->ToHostPath("C:\\PROGRA~1\\NONE"), "");

  const std::string z_install = Z(install_);
  std::string expected = "Z:" + install_.string();
  for (char& c : expected) c = c == '/' ? '\\' : c;
  EXPECT_EQ(z_install, expected);
  EXPECT_EQ(fs_->FindFirst(z_install + "\\WINDOWS\\INF\\NET.INF", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_->FindFirst(Z(out_), Kind::kDirectory), "out");
  EXPECT_EQ(fs_->FindFirst("Z:\\", Kind::kDirectory), "Z:\\");

  EXPECT_EQ(HostToWindowsPath("/"), "Z:\\");
  EXPECT_EQ(HostToWindowsPath("/home//user/"), "Z:\\home\\user");
  EXPECT_EQ(HostToWindowsPath("relative/x"), "");
  EXPECT_EQ(HostToWindowsPath("/odd\\name"), "");
  fs::create_symlink(out_, temp_ / "link");
  EXPECT_EQ(HostPathToWindowsPath((temp_ / "link").string()), Z(fs::canonical(out_)));
  EXPECT_EQ(HostPathToWindowsPath((temp_ / "none").string()), std::nullopt);
  EXPECT_EQ(HostDrives(), (std::map<char, std::string>{{'Z', "/"}}));
}

TEST_F(HostFileSystemTest, CopiesKeepTheTimeAndNeverOntoTheirSource) {
  const std::string out = Z(out_);
  ASSERT_TRUE(fs_->CopyFile("C:\\WINDOWS\\INF\\NET.INF", out + "\\NET.INF").ok());
  EXPECT_EQ(fs::last_write_time(out_ / "NET.INF"),
            fs::last_write_time(install_ / "WINDOWS" / "INF" / "Net.inf"));
  WriteFile(out_ / "keep.txt", "keep");
  EXPECT_EQ(fs_->CopyFile(out + "\\keep.txt", out + "\\KEEP.TXT").error, FsError::kOther);
  EXPECT_EQ(ReadFile(out_ / "keep.txt"), "keep");
  EXPECT_EQ(Temporaries(out_), 0);
}

TEST_F(HostFileSystemTest, NeverWritesInsideTheInstallation) {
  fs::create_symlink(install_ / "WINDOWS", out_ / "link");
  const std::string out = Z(out_);
  const std::string targets[] = {
      "C:\\WINDOWS\\INF\\COPY.INF",
      Z(install_) + "\\COPY.INF",
      out + "\\link\\COPY.INF",
  };
  for (const std::string& target : targets) {
    const FsStatus copy = fs_->CopyFile(out + "\\..\\win98\\WINDOWS\\INF\\NET.INF", target);
    EXPECT_EQ(copy.error, FsError::kOther) << target;
    EXPECT_NE(copy.detail.find("never written"), std::string::npos) << copy.detail;
  }
  EXPECT_EQ(fs_->MakeDirectory("C:\\NEW").error, FsError::kOther);
  EXPECT_EQ(fs_->MakeDirectory(out + "\\link\\NEW").error, FsError::kOther);
  // Overwriting an installation file by its own name is refused just the same.
  WriteFile(out_ / "Net.inf", "other");
  EXPECT_EQ(fs_->CopyFile(out + "\\Net.inf", "C:\\WINDOWS\\INF\\NET.INF").error, FsError::kOther);
  EXPECT_EQ(ReadFile(install_ / "WINDOWS" / "INF" / "Net.inf"),
            "[Version]\r\nSignature=$CHICAGO$\r\n");
  EXPECT_FALSE(fs::exists(install_ / "NEW"));
  EXPECT_FALSE(fs::exists(install_ / "COPY.INF"));
  EXPECT_FALSE(fs::exists(install_ / "WINDOWS" / "COPY.INF"));
  EXPECT_EQ(Temporaries(install_ / "WINDOWS"), 0);
  // Reading the installation stays possible.
  std::string error;
  EXPECT_NE(fs_->OpenRead("C:\\WINDOWS\\INF\\NET.INF", &error), nullptr);
}

}  // namespace
}  // namespace veskaro::platform

VESKARO_FILE_SYSTEM_CONTRACT(Host, veskaro::platform::HostContract);
