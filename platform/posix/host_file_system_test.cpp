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
    std::vector<std::string> names;
    for (const std::string& name : HostNames(host.parent_path())) {
      names.push_back(HostNameToCodePage(kDefaultCodePage, name));
    }
    const std::vector<std::string> aliases = ShortAliases(names);
    const std::string name = HostNameToCodePage(kDefaultCodePage, host.filename().string());
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] == name) return aliases[i];
    }
    return {};
  }
  std::string Out() { return HostToWindowsPath((temp_ / "out").string()); }
  std::set<std::string> NamesIn(std::string_view folder) {
    std::set<std::string> names;
    for (const std::string& host : HostNames(files_->ToHostPath(folder))) {
      names.insert(HostNameToCodePage(kDefaultCodePage, host));
    }
    return names;
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
  // Where an entry added in code page text lies: under its UTF-8 name, as the host
  // stores names.
  fs::path Host(std::string_view relative) const {
    std::string path = HostSpellings(kDefaultCodePage, relative).front();
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

// Host names are UTF-8; Windows paths are code page 1252 text. "\xE9" is é there,
// "\xC3\xA9" in UTF-8.
TEST_F(HostFileSystemTest, FindsAndCreatesUtf8NamesThroughTheCodePage) {
  std::string probe;
  if (!CodePageToUtf8(1252, "a", &probe)) GTEST_SKIP() << "no converter on this system";
  const fs::path system = install_ / "WINDOWS" / "SYSTEM";
  WriteFile(system / "G\xC3\xA9n\xC3\xA9rique.drv", "utf8");
  WriteFile(install_ / "Pilotes \xC3\xA9t\xC3\xA9" / "Son.inf", "inf");
  WriteFile(system / "Latin\xE9.drv", "latin");         // no UTF-8: matched by its bytes
  WriteFile(system / "Both\xC3\xA9.drv", "utf8 twin");  // the same name twice
  WriteFile(system / "Both\xE9.drv", "latin twin");
  WriteFile(system / "\xE6\x97\xA5.drv", "cjk");  // UTF-8 that code page 1252 cannot hold

  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\G\xE9n\xE9rique.drv", Kind::kNormal),
            "G\xE9n\xE9rique.drv");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\G\xC9N\xC9RIQUE.DRV", Kind::kNormal),
            "G\xE9n\xE9rique.drv");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\G?N*.DRV", Kind::kNormal), "G\xE9n\xE9rique.drv");
  EXPECT_EQ(fs_->FindFirst("C:\\PILOTES \xC9T\xC9\\SON.INF", Kind::kNormal), "Son.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\pilotes \xE9t\xE9", Kind::kDirectory), "Pilotes \xE9t\xE9");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\LATIN\xC9.DRV", Kind::kNormal), "Latin\xE9.drv");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\Latin\xC3\xA9.drv", Kind::kNormal), "");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\\xE6\x97\xA5.DRV", Kind::kNormal),
            "\xE6\x97\xA5.drv");
  EXPECT_EQ(ReadFile(fs_->ToHostPath("C:\\WINDOWS\\SYSTEM\\BOTH\xC9.DRV")), "utf8 twin");
  std::string error;
  for (const char* path :
       {"C:\\WINDOWS\\SYSTEM\\G\xE9n\xE9rique.drv", "C:\\WINDOWS\\SYSTEM\\Latin\xE9.drv",
        "C:\\PILOTES \xC9T\xC9\\SON.INF"}) {
    EXPECT_NE(fs_->OpenRead(path, &error), nullptr) << path;
  }
  // A name added after the folder's index is kept is seen in any letter case.
  WriteFile(system /
                "\xC3\x89"
                "cho.vxd",
            "new");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\\xE9"
                           "CHO.VXD",
                           Kind::kNormal),
            "\xC9"
            "cho.vxd");

  // Created folders and files get UTF-8 names; Z: paths of UTF-8 folders are 1252.
  fs::create_directories(out_ /
                         "Sauvegard\xC3\xA9"
                         "es");
  const std::string out = Z(out_ /
                            "Sauvegard\xC3\xA9"
                            "es");
  EXPECT_EQ(out.substr(out.size() - 12),
            "Sauvegard\xE9"
            "es");
  EXPECT_EQ(fs_->FindFirst(out, Kind::kDirectory),
            "Sauvegard\xE9"
            "es");
  const std::string folder = out + "\\Zentara Audio G\xE9n\xE9rique";
  ASSERT_TRUE(fs_->MakeDirectory(folder).ok());
  EXPECT_EQ(fs_->MakeDirectory(out + "\\ZENTARA AUDIO G\xC9N\xC9RIQUE").error, FsError::kOther);
  ASSERT_TRUE(
      fs_->CopyFile("C:\\WINDOWS\\SYSTEM\\G\xE9n\xE9rique.drv", folder + "\\G\xE9n\xE9rique.drv")
          .ok());
  const fs::path made = out_ /
                        "Sauvegard\xC3\xA9"
                        "es" /
                        "Zentara Audio G\xC3\xA9n\xC3\xA9rique";
  EXPECT_EQ(HostNames(out_ / "Sauvegard\xC3\xA9"
                             "es"),
            std::vector<std::string>{"Zentara Audio G\xC3\xA9n\xC3\xA9rique"});
  EXPECT_EQ(ReadFile(made / "G\xC3\xA9n\xC3\xA9rique.drv"), "utf8");
  // Copying again replaces the file under the name it has.
  ASSERT_TRUE(
      fs_->CopyFile("C:\\WINDOWS\\SYSTEM\\LATIN\xC9.DRV", folder + "\\G\xC9N\xC9RIQUE.DRV").ok());
  EXPECT_EQ(HostNames(made), std::vector<std::string>{"G\xC3\xA9n\xC3\xA9rique.drv"});
  EXPECT_EQ(ReadFile(made / "G\xC3\xA9n\xC3\xA9rique.drv"), "latin");
}

// A link inside the installation that leads out of it is no entry: a link to a
// private file of the user must never bring it into a backup.
TEST_F(HostFileSystemTest, LinksLeadingOutOfTheDriveAreNoEntries) {
  const fs::path outside = temp_ / "home";
  WriteFile(outside / ".ssh" / "id_rsa", "private key");
  WriteFile(outside / "folder" / "X.INF", "outside inf");
  const fs::path system = install_ / "WINDOWS" / "SYSTEM";
  fs::create_directories(system);
  fs::create_symlink(outside / ".ssh" / "id_rsa", system / "HVSND.DRV");
  fs::create_symlink("../../../home/.ssh/id_rsa", system / "HVWAVE.DRV");
  fs::create_symlink(outside / "folder", system / "OUTDIR");
  fs::create_symlink("LOOP.DRV", system / "LOOP.DRV");
  fs::create_symlink("../INF/Net.inf", system / "INSIDE.INF");
  fs::create_symlink(install_ / "WINDOWS" / "INF", system / "INFDIR");

  const std::string out = Z(out_);
  std::string error;
  for (const char* path : {"C:\\WINDOWS\\SYSTEM\\HVSND.DRV", "C:\\WINDOWS\\SYSTEM\\hvwave.drv",
                           "C:\\WINDOWS\\SYSTEM\\OUTDIR\\X.INF", "C:\\WINDOWS\\SYSTEM\\LOOP.DRV"}) {
    EXPECT_EQ(fs_->FindFirst(path, Kind::kNormal), "") << path;
    EXPECT_EQ(fs_->OpenRead(path, &error), nullptr) << path;
    EXPECT_EQ(fs_->ToHostPath(path), "") << path;
    EXPECT_FALSE(fs_->CopyFile(path, out + "\\COPY.BIN").ok()) << path;
  }
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\HV*.DRV", Kind::kNormal), "");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\OUTDIR", Kind::kDirectory), "");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\O*", Kind::kDirectory), "");
  EXPECT_TRUE(fs::is_empty(out_));

  // Links that stay inside work, whether relative or absolute.
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\inside.inf", Kind::kNormal), "INSIDE.INF");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\SYSTEM\\INFDIR\\NET.INF", Kind::kNormal), "Net.inf");
  ASSERT_TRUE(fs_->CopyFile("C:\\WINDOWS\\SYSTEM\\INSIDE.INF", out + "\\INSIDE.INF").ok());
  EXPECT_EQ(ReadFile(out_ / "INSIDE.INF"), "[Version]\r\nSignature=$CHICAGO$\r\n");
  EXPECT_NE(fs_->OpenRead("C:\\WINDOWS\\SYSTEM\\INFDIR\\NET.INF", &error), nullptr);
  // Drive Z:, the whole host, has no outside.
  EXPECT_EQ(fs_->FindFirst(Z(system / "HVSND.DRV"), Kind::kNormal), "HVSND.DRV");
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
