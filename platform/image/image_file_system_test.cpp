// The image file system on the disk images of the bundled sample: every file reads
// back as the sample folder holds it, in every format and partition layout, and the
// directory search answers as Windows 95 does on a real FAT volume.
#include "platform/image/image_file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/image/image_test_support.h"
#include "testing/file_system_contract.h"
#include "testing/shell_command.h"
#include "testing/temp_folder.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using image_test::ReadAll;
using image_test::SampleDrive;
using image_test::Slurp;

const fs::path kSample = fs::path(VESKARO_SAMPLE_DIR) / "drive_c";

// The image file system under the shared contract: the tree is written into a
// folder, copied onto a fresh FAT12 volume by mkfs.fat and mtools (which also set
// the attributes), and that volume is drive C:.
class ImageContract {
 public:
  static constexpr bool kAttributes = true;

  void AddFile(std::string_view relative, std::string_view bytes, unsigned attributes) {
    testing::WriteFile(temp_ / "tree" / HostRelative(relative), bytes);
    if (attributes != 0) attributes_[std::string(relative)] = attributes;
  }
  void AddFolder(std::string_view relative, unsigned attributes) {
    fs::create_directories(temp_ / "tree" / HostRelative(relative));
    if (attributes != 0) attributes_[std::string(relative)] = attributes;
  }
  std::string Root() { return "C:"; }
  FileSystem& Files() {
    if (!files_) files_ = MakeVolume();
    return *files_;
  }
  // The alias as mtools stored it ("::/PROGRA~1").
  std::string Alias(std::string_view relative) {
    Files();
    const std::string out = Mtools("mshortname", testing::ShellQuote(Entry(relative)));
    const std::size_t slash = out.find_last_of('/');
    return slash == std::string::npos ? "" : out.substr(slash + 1, out.find('\n') - slash - 1);
  }

 private:
  static std::string Utf8(std::string_view cp1252) {
    std::string utf8;
    EXPECT_TRUE(CodePageToUtf8(1252, cp1252, &utf8)) << cp1252;
    return utf8;
  }
  static fs::path HostRelative(std::string_view relative) {
    std::string path = Utf8(relative);
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    return path;
  }
  // `relative` as mtools names it on the volume.
  std::string Entry(std::string_view relative) const {
    return "::/" + HostRelative(relative).string();
  }
  // Runs an mtools command on the volume; its standard output.
  std::string Mtools(const std::string& command, const std::string& args) const {
    const testing::CommandResult r =
        testing::RunShell("env MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 " + command + " -i " +
                              testing::ShellQuote(Image()) + " " + args,
                          temp_ / "err.txt");
    EXPECT_EQ(r.status, 0) << command << " " << args << ": " << r.err;
    return r.out;
  }
  std::string Image() const { return (temp_ / "c.img").string(); }

  std::unique_ptr<FileSystem> MakeVolume() {
    const testing::CommandResult made =
        testing::RunShell("mkfs.fat -C -F 12 -n CONTRACT " + testing::ShellQuote(Image()) + " 4096",
                          temp_ / "err.txt");
    EXPECT_EQ(made.status, 0) << made.err;
    Mtools("mcopy", "-s " + testing::ShellQuote((temp_ / "tree").string()) + "/* ::/");
    for (const auto& [relative, attributes] : attributes_) {
      std::string set;
      if (attributes & testing::kReadOnly) set += " +r";
      if (attributes & testing::kHidden) set += " +h";
      if (attributes & testing::kSystem) set += " +s";
      Mtools("mattrib", set + " " + testing::ShellQuote(Entry(relative)));
    }
    std::string error;
    std::shared_ptr<DiskImage> image = OpenDiskImage(Image(), &error);
    std::vector<DiskVolume> volumes;
    if (image == nullptr || !FindDiskVolumes(image, 1252, &volumes, &error)) {
      ADD_FAILURE() << error;
      return std::make_unique<ImageFileSystem>(std::map<char, std::shared_ptr<FatVolume>>{});
    }
    return std::make_unique<ImageFileSystem>(
        std::map<char, std::shared_ptr<FatVolume>>{{'C', volumes.front().volume}});
  }

  testing::TempFolder temp_{"veskaro-image-contract"};
  std::map<std::string, unsigned> attributes_;  // entry -> ContractAttribute bits
  std::unique_ptr<FileSystem> files_;
};

std::string WindowsPathOf(const fs::path& entry) {
  std::string path = "C:\\" + fs::relative(entry, kSample).string();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

class EveryImageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(EveryImageTest, HoldsTheSampleTreeByteForByte) {
  const auto drive = SampleDrive(GetParam());
  ASSERT_NE(drive, nullptr);
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kSample)) {
    const std::string path = WindowsPathOf(entry.path());
    const std::string name = entry.path().filename().string();
    if (entry.is_directory()) {
      EXPECT_EQ(drive->FindFirst(path, SearchKind::kDirectory), name) << path;
      EXPECT_EQ(drive->FindFirst(path, SearchKind::kNormal), "") << path;
      continue;
    }
    // The two files that are hidden and system on every real disk.
    const bool hidden = name == "MSDOS.SYS" || name == "SYSTEM.DAT";
    EXPECT_EQ(drive->FindFirst(path, SearchKind::kNormal), hidden ? "" : name) << path;
    std::string error;
    const auto source = drive->OpenRead(path, &error);
    ASSERT_NE(source, nullptr) << path << ": " << error;
    EXPECT_EQ(ReadAll(*source), Slurp(entry.path().string())) << path;
    ++files;
  }
  EXPECT_GT(files, 50);
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryImageTest,
                         ::testing::Values("sample-fat16.img", "sample-fat32.img",
                                           "sample-logical.img", "sample-fat32.vhd",
                                           "sample-fat32.vmdk", "sample-fat32.qcow2"));

TEST(ImageFileSystemTest, DirectorySearchAsOnARealFatVolume) {
  const std::string image = image_test::ImagePath("sample-fat16.img");
  const std::string before = Slurp(image);
  const auto drive = SampleDrive("sample-fat16.img");
  ASSERT_NE(drive, nullptr);
  const auto normal = [&](const std::string& path) {
    return drive->FindFirst(path, SearchKind::kNormal);
  };
  const auto folder = [&](const std::string& path) {
    return drive->FindFirst(path, SearchKind::kDirectory);
  };

  // Long names by any letter case and by the aliases the volume stores (mdir's
  // reading). The two "Long Name" files were created in the opposite order of their
  // names, so their aliases are not the ones a sorted listing would suggest.
  std::ifstream aliases(image_test::ImagePath("aliases.txt"));
  int checked = 0;
  for (std::string line; std::getline(aliases, line);) {
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    std::string dir = line.substr(3, tab1 - 3);  // after "::/"
    for (char& c : dir) {
      if (c == '/') c = '\\';
    }
    const std::string long_name = line.substr(tab1 + 1, tab2 - tab1 - 1);
    const std::string alias = line.substr(tab2 + 1);
    EXPECT_EQ(normal("C:\\" + dir + "\\" + alias), long_name) << line;
    ++checked;
  }
  EXPECT_EQ(checked, 3);
  EXPECT_EQ(normal("C:\\WINDOWS\\LONGNA~2.TXT"), "Long Name First.txt");
  EXPECT_EQ(normal("c:\\windows\\inf\\other\\halvorsen audiohvsnd.INF"),
            "Halvorsen AudioHVSND.INF");
  EXPECT_EQ(folder("C:\\halvor~1\\soundstage"), "SoundStage");

  // Hidden and system files, deleted entries and the volume label are not found;
  // read-only files are. Opening ignores attributes, never finds a deleted file.
  EXPECT_EQ(normal("C:\\WINDOWS\\INF\\HIDDEN.INF"), "");
  EXPECT_EQ(normal("C:\\WINDOWS\\INF\\SYSFILE.INF"), "");
  EXPECT_EQ(normal("C:\\WINDOWS\\INF\\DELETED.INF"), "");
  EXPECT_EQ(normal("C:\\WINDOWS\\INF\\*LETED.INF"), "");
  EXPECT_EQ(normal("C:\\WINDOWS\\SYSTEM\\ZENAUD.SYS"), "ZENAUD.SYS");
  EXPECT_EQ(normal("C:\\WIN98"), "");
  EXPECT_EQ(folder("C:\\WIN98"), "");
  std::string error;
  auto hidden = drive->OpenRead("C:\\WINDOWS\\INF\\HIDDEN.INF", &error);
  ASSERT_NE(hidden, nullptr) << error;
  EXPECT_EQ(ReadAll(*hidden), "[Version]\r\n");
  EXPECT_EQ(drive->OpenRead("C:\\WINDOWS\\INF\\DELETED.INF", &error), nullptr);
  EXPECT_EQ(error, "File not found: C:\\WINDOWS\\INF\\DELETED.INF");

  // Folders only with the folder attribute; "\" at the end names the folder itself.
  EXPECT_EQ(normal("C:\\WINDOWS"), "");
  EXPECT_EQ(folder("C:\\windows\\"), "WINDOWS");
  EXPECT_EQ(folder("C:\\"), "C:\\");
  EXPECT_EQ(normal("C:\\"), "");
  EXPECT_EQ(folder("C:\\WINDOWS\\WIN.COM"), "");
  EXPECT_EQ(normal("C:\\WINDOWS\\WIN.COM\\"), "");
  EXPECT_EQ(normal("C:\\NOWHERE\\WIN.COM"), "");
  EXPECT_EQ(normal("D:\\WINDOWS\\WIN.COM"), "");
  EXPECT_EQ(drive->OpenRead("C:\\WINDOWS", &error), nullptr);

  // Wildcards answer in directory order and try the aliases too.
  EXPECT_EQ(normal("C:\\WINDOWS\\long name*"), "Long Name Second.txt");
  EXPECT_EQ(normal("C:\\WINDOWS\\LONGNA~2.*"), "Long Name First.txt");
  EXPECT_EQ(folder("C:\\WINDOWS\\SYS*"), "SYSTEM");
  EXPECT_EQ(normal("C:\\WINDOWS\\SYS*"), "");  // SYSTEM.DAT is hidden
  EXPECT_EQ(normal("C:\\*\\WIN.COM"), "");

  // The image is never written.
  EXPECT_EQ(drive->MakeDirectory("C:\\NEW").error, FsError::kOther);
  EXPECT_EQ(drive->CopyFile("C:\\WINDOWS\\WIN.COM", "C:\\WIN.COM").error, FsError::kOther);
  EXPECT_EQ(Slurp(image), before);
}

}  // namespace
}  // namespace veskaro::platform

VESKARO_FILE_SYSTEM_READ_CONTRACT(Image, veskaro::platform::ImageContract);
