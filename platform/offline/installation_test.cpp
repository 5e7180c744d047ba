#include "platform/offline/installation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/memory_registry.h"
#include "platform/regedit4.h"
#include "registry/registry_read.h"
#include "tools/creg/creg_writer.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using Key = MemoryRegistry::Key;

constexpr const char* kClassKey = "System\\CurrentControlSet\\Services\\Class\\Net";

// A hive whose Net class has the given description.
std::string HiveDescribing(const std::string& description) {
  MemoryRegistry registry;
  registry.SetString(kHKeyLocalMachine, kClassKey, "", description);
  std::string bytes;
  std::string error;
  EXPECT_TRUE(tools::WriteCreg(*registry.FindKey(kHKeyLocalMachine, ""), &bytes, &error));
  return bytes;
}

std::string Description(Registry& registry) {
  return registry::QueryRegString(registry, kHKeyLocalMachine, kClassKey, "", "<none>");
}

class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::current_path() / ("installation_" + std::to_string(::getpid()) + "_" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
    root_ = base_ / "drive_c";
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(base_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(base_);
  }

  void Put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // Opens root_ (or `root`) with the given choices.
  std::unique_ptr<OfflineInstallation> Open(std::string registry_file = "", std::string windir = "",
                                            std::string root = "") {
    InstallationOptions options;
    options.root = root.empty() ? root_.string() : root;
    options.registry_file = registry_file;
    options.windir = windir;
    error_.clear();
    return OpenInstallation(options, &error_);
  }

  fs::path base_;
  fs::path root_;
  std::string error_;
};

TEST_F(InstallationTest, MsdosSysNamesTheWindowsFolder) {
  Put(root_ / "msdos.sys",
      "[Options]\r\nWinDir=C:\\WRONG\r\n\r\n[paths]\r\n  windir = C:\\Win98\\ \r\n"
      "WinBootDir=C:\\Win98\r\n");
  Put(root_ / "win98" / "system.dat", HiveDescribing("from Win98"));
  // Would be the Windows folder by its files, but MSDOS.SYS decides.
  Put(root_ / "OLDWIN" / "SYSTEM.DAT", HiveDescribing("from OLDWIN"));
  Put(root_ / "OLDWIN" / "WIN.COM", "");

  auto installation = Open();
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(installation->windir, "C:\\Win98");
  EXPECT_EQ(installation->environment->Get("WINDIR"), "C:\\Win98");
  EXPECT_EQ(Description(*installation->registry), "from Win98");
  EXPECT_NE(installation->registry_description.find("system.dat"), std::string::npos);
  EXPECT_NE(installation->registry_description.find("hive"), std::string::npos);

  // Drive C: is the root; it is read but never written.
  FileSystem& files = *installation->files;
  EXPECT_EQ(files.FindFirst("C:\\WIN98\\SYSTEM.DAT", SearchKind::kNormal), "system.dat");
  EXPECT_FALSE(files.MakeDirectory("C:\\NEW").ok());
  EXPECT_FALSE(fs::exists(root_ / "NEW"));
  // The rest of the host is drive Z:.
  Put(base_ / "elsewhere.txt", "x");
  EXPECT_EQ(files.FindFirst("Z:" + (base_ / "elsewhere.txt").string(), SearchKind::kNormal),
            "elsewhere.txt");
}

TEST_F(InstallationTest, WithoutMsdosSysTheFolderHoldingSystemDatIsTaken) {
  Put(root_ / "MSDOS.SYS", std::string("\xeb\x3c\x90MSDOS5.0\0\0", 13));  // binary, DOS 6
  Put(root_ / "Windows" / "SYSTEM.DAT", HiveDescribing("found"));
  Put(root_ / "Windows" / "win.ini", "[windows]\r\n");
  Put(root_ / "BACKUP" / "SYSTEM.DAT", HiveDescribing("backup"));  // no WIN.COM or WIN.INI

  auto installation = Open();
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(installation->windir, "C:\\Windows");
  EXPECT_EQ(Description(*installation->registry), "found");

  // A second folder of that kind leaves the choice to the user...
  Put(root_ / "BACKUP" / "WIN.COM", "");
  EXPECT_EQ(Open(), nullptr);
  EXPECT_NE(error_.find("Several folders"), std::string::npos) << error_;
  EXPECT_NE(error_.find("C:\\BACKUP"), std::string::npos) << error_;
  EXPECT_NE(error_.find("C:\\Windows"), std::string::npos) << error_;
  // ...who can name it.
  installation = Open("", "C:\\BACKUP");
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(Description(*installation->registry), "backup");
}

// The installation is found and read only inside its folder, whose host names are
// UTF-8 while its Windows paths are code page 1252.
TEST_F(InstallationTest, HostNamesAreUtf8AndLinksOutOfTheRootCountForNothing) {
  const fs::path outside = base_ / "outside";
  Put(outside / "SYSTEM.DAT", HiveDescribing("outside"));
  Put(outside / "WIN.COM", "");
  fs::create_symlink(outside, root_ / "WINDOWS");
  EXPECT_EQ(Open(), nullptr);
  fs::remove(root_ / "WINDOWS");
  Put(root_ / "WINDOWS" / "WIN.COM", "");
  fs::create_symlink(outside / "SYSTEM.DAT", root_ / "WINDOWS" / "SYSTEM.DAT");
  EXPECT_EQ(Open(), nullptr);
  EXPECT_NE(error_.find("No Windows 95/98/Me installation found"), std::string::npos) << error_;

  fs::remove_all(root_ / "WINDOWS");
  Put(root_ / "Fen\xC3\xAAtres" / "SYSTEM.DAT", HiveDescribing("inside"));  // "ê" in UTF-8
  Put(root_ / "Fen\xC3\xAAtres" / "WIN.COM", "");
  auto installation = Open();
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(installation->windir, "C:\\Fen\xEAtres");
  EXPECT_EQ(Description(*installation->registry), "inside");
  // The Windows folder given itself, as users may.
  installation = Open("", "", (root_ / "Fen\xC3\xAAtres").string());
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(installation->windir, "C:\\Fen\xEAtres");
}

TEST_F(InstallationTest, RegistryFileIsRecognisedByContent) {
  Put(root_ / "WINDOWS" / "WIN.COM", "");
  Put(base_ / "exported.dat",
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net]\r\n"
      "@=\"from the export\"\r\n");
  Put(base_ / "hive.reg", HiveDescribing("from the hive"));
  Put(base_ / "notes.txt", "Some notes\r\n");

  auto installation = Open((base_ / "exported.dat").string());
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(Description(*installation->registry), "from the export");
  EXPECT_NE(installation->registry_description.find("REGEDIT4"), std::string::npos);
  EXPECT_EQ(installation->windir, "C:\\WINDOWS");  // the one folder holding WIN.COM

  installation = Open((base_ / "hive.reg").string(), "C:\\W\\");
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(Description(*installation->registry), "from the hive");
  EXPECT_EQ(installation->windir, "C:\\W");

  EXPECT_EQ(Open((base_ / "notes.txt").string()), nullptr);
  EXPECT_NE(error_.find("neither a Windows 95/98/Me registry hive"), std::string::npos) << error_;
  EXPECT_EQ(Open((base_ / "absent.dat").string()), nullptr);
  EXPECT_NE(error_.find("Cannot read the registry file"), std::string::npos) << error_;
}

TEST_F(InstallationTest, ExportBesideTheRootServesWhenTheRootHoldsNoHive) {
  Put(root_ / "WINDOWS" / "WIN.INI", "");
  Put(base_ / "SYSTEM.REG",
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net]\r\n"
      "@=\"beside\"\r\n");
  auto installation = Open();
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(Description(*installation->registry), "beside");
  EXPECT_EQ(installation->windir, "C:\\WINDOWS");

  // A hive in the Windows folder comes first.
  Put(root_ / "WINDOWS" / "SYSTEM.DAT", HiveDescribing("hive"));
  installation = Open();
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(Description(*installation->registry), "hive");
}

TEST_F(InstallationTest, ErrorsSayWhatWasLookedForAndWhere) {
  EXPECT_EQ(Open("", "", (base_ / "absent").string()), nullptr);
  EXPECT_NE(error_.find((base_ / "absent").string()), std::string::npos) << error_;
  Put(base_ / "file", "");
  EXPECT_EQ(Open("", "", (base_ / "file").string()), nullptr);
  EXPECT_NE(error_.find("is not a folder"), std::string::npos) << error_;

  // Nothing at all: no word of a registry, since no installation was found.
  EXPECT_EQ(Open(), nullptr);
  EXPECT_NE(error_.find("No Windows 95/98/Me installation found in " + root_.string() +
                        ". Looked for drive C:"),
            std::string::npos)
      << error_;
  EXPECT_EQ(error_.find("registry"), std::string::npos) << error_;

  // A Windows folder without its hive.
  Put(root_ / "MSDOS.SYS", "[Paths]\r\nWinDir=C:\\WINDOWS\r\n");
  EXPECT_EQ(Open(), nullptr);
  EXPECT_NE(error_.find("the Windows folder C:\\WINDOWS (named by MSDOS.SYS) holds no SYSTEM.DAT"),
            std::string::npos)
      << error_;

  // A damaged hive is reported as such.
  Put(root_ / "WINDOWS" / "SYSTEM.DAT", HiveDescribing("x").substr(0, 0x30));
  EXPECT_EQ(Open(), nullptr);
  EXPECT_NE(error_.find("is damaged"), std::string::npos) << error_;
}

TEST_F(InstallationTest, FoldersAsUsersGiveThem) {
  // Two copied drives side by side, each with its own hive.
  for (const char* drive : {"disk1", "disk2"}) {
    Put(base_ / drive / "Windows" / "SYSTEM.DAT", HiveDescribing(drive));
    Put(base_ / drive / "Windows" / "WIN.COM", "");
  }
  // The Windows folder itself: its parent is drive C:.
  auto installation = Open("", "", (base_ / "disk1" / "Windows").string());
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(installation->windir, "C:\\Windows");
  EXPECT_EQ(Description(*installation->registry), "disk1");
  EXPECT_EQ(installation->files->FindFirst("C:\\WINDOWS\\WIN.COM", SearchKind::kNormal), "WIN.COM");

  // A folder whose only installation lies one level down opens that one.
  fs::remove_all(root_);
  Put(base_ / "one" / "drive_c" / "WINDOWS" / "SYSTEM.DAT", HiveDescribing("below"));
  Put(base_ / "one" / "drive_c" / "WINDOWS" / "WIN.INI", "");
  Put(base_ / "one" / "notes" / "README.TXT", "");
  installation = Open("", "", (base_ / "one").string());
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(installation->windir, "C:\\WINDOWS");
  EXPECT_EQ(Description(*installation->registry), "below");

  // Several: the message names the folders that would work, and only those.
  installation = Open("", "", base_.string());
  EXPECT_EQ(installation, nullptr);
  EXPECT_NE(error_.find("several folders there hold one (" + (base_ / "disk1").string() + ", " +
                        (base_ / "disk2").string() + ")"),
            std::string::npos)
      << error_;
  EXPECT_EQ(error_.find((base_ / "one").string()), std::string::npos) << error_;
}

TEST_F(InstallationTest, BundledSampleReadsItsHiveWhichAgreesWithItsExport) {
  const fs::path sample = VESKARO_SAMPLE_DIR;
  const fs::path hive = sample / "drive_c" / "WINDOWS" / "SYSTEM.DAT";
  if (!fs::exists(hive)) GTEST_SKIP() << "the sample has no SYSTEM.DAT yet";
  fs::copy(sample, base_ / "win98", fs::copy_options::recursive);

  auto installation = Open("", "", (base_ / "win98" / "drive_c").string());
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_EQ(installation->windir, "C:\\WINDOWS");
  EXPECT_NE(installation->registry_description.find("SYSTEM.DAT"), std::string::npos);
  // The folder above drive_c opens the same installation.
  installation = Open("", "", (base_ / "win98").string());
  ASSERT_NE(installation, nullptr) << error_;
  EXPECT_NE(installation->registry_description.find("drive_c"), std::string::npos);

  // Every key and value of the export is in the hive, in the same order, and the
  // hive holds nothing else.
  MemoryRegistry exported;
  const Regedit4Result loaded = LoadRegedit4File((sample / "system.reg").string(), exported);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  MemoryRegistry from_hive;
  std::string error;
  ASSERT_TRUE(LoadCregFile(hive.string(), kCregDefaultCodepage, from_hive, &error)) << error;
  std::vector<std::pair<const Key*, const Key*>> pending{
      {exported.FindKey(kHKeyLocalMachine, ""), from_hive.FindKey(kHKeyLocalMachine, "")}};
  int keys = 0;
  while (!pending.empty()) {
    auto [a, b] = pending.back();
    pending.pop_back();
    ++keys;
    ASSERT_EQ(a->name, b->name);
    ASSERT_EQ(a->values.size(), b->values.size()) << a->name;
    for (std::size_t i = 0; i < a->values.size(); ++i) {
      EXPECT_EQ(a->values[i].name, b->values[i].name) << a->name;
      EXPECT_EQ(a->values[i].type, b->values[i].type) << a->name << " " << a->values[i].name;
      EXPECT_EQ(a->values[i].data, b->values[i].data) << a->name << " " << a->values[i].name;
    }
    ASSERT_EQ(a->subkeys.size(), b->subkeys.size()) << a->name;
    for (std::size_t i = 0; i < a->subkeys.size(); ++i) {
      pending.push_back({a->subkeys[i].get(), b->subkeys[i].get()});
    }
  }
  EXPECT_GT(keys, 10);
}

}  // namespace
}  // namespace veskaro::platform
