#include "platform/posix/host_file_system.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/line_reader.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using Kind = SearchKind;

void Write(const fs::path& path, const std::string& contents) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names in a host folder that look like our temporaries.
int Temporaries(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("~vsk")) ++count;
  }
  return count;
}

class HostFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/veskaro_hostfs_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    install_ = root_ / "win98";
    out_ = root_ / "out";
    Write(install_ / "WINDOWS" / "INF" / "Net.inf", "[Version]\r\nSignature=$CHICAGO$\r\n");
    Write(install_ / "WINDOWS" / "INF" / "OTHER" / "Acme Corp Sound.inf", "acme");
    Write(install_ / "Program Files" / "Acme" / "acme.dll", "dll");
    fs::create_directories(out_);
    fs_ = std::make_unique<HostFileSystem>(
        std::map<char, std::string>{{'c', install_.string()}, {'Z', "/"}},
        std::vector<std::string>{install_.string()});
  }
  void TearDown() override { fs::remove_all(root_); }

  // The Z: path of a host path below the test folder.
  std::string Z(const fs::path& host) const { return HostToWindowsPath(host.string()); }

  fs::path root_, install_, out_;
  std::unique_ptr<HostFileSystem> fs_;
};

TEST_F(HostFileSystemTest, WalksFoldersIgnoringCase) {
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\NET.INF", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_->FindFirst("c:\\windows\\inf\\net.inf", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\Windows\\Inf\\Other\\acme corp sound.INF", Kind::kNormal),
            "Acme Corp Sound.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\NONE.INF", Kind::kNormal), "");
  EXPECT_EQ(fs_->FindFirst("D:\\WINDOWS", Kind::kDirectory), "");
  // Kinds.
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF", Kind::kNormal), "");
  EXPECT_EQ(fs_->FindFirst("C:\\windows\\inf", Kind::kDirectory), "INF");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\NET.INF", Kind::kDirectory), "");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\NET.INF\\X", Kind::kNormal), "");
  // Trailing separators and empty last components.
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\", Kind::kNormal), "");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\", Kind::kDirectory), "INF");
  EXPECT_EQ(fs_->FindFirst("C:\\", Kind::kDirectory), "C:\\");
  EXPECT_EQ(fs_->FindFirst("C:\\", Kind::kNormal), "");
  // Patterns in the last component, first match in name order.
  Write(install_ / "WINDOWS" / "INF" / "apm.inf", "");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\*.INF", Kind::kNormal), "apm.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\N?T.*", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\*", Kind::kDirectory), "OTHER");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\*.SYS", Kind::kNormal), "");
  // Host names that differ only in case: the exact one wins.
  Write(install_ / "WINDOWS" / "INF" / "NET.INF", "upper");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\NET.INF", Kind::kNormal), "NET.INF");
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\Net.inf", Kind::kNormal), "Net.inf");
}

TEST_F(HostFileSystemTest, ResolvesShortAliasesAndZPaths) {
  EXPECT_EQ(fs_->FindFirst("C:\\WINDOWS\\INF\\OTHER\\ACMECO~1.INF", Kind::kNormal),
            "Acme Corp Sound.inf");
  EXPECT_EQ(fs_->FindFirst("C:\\PROGRA~1\\ACME\\ACME.DLL", Kind::kNormal), "acme.dll");
  EXPECT_EQ(fs_->FindFirst("C:\\progra~1", Kind::kDirectory), "Program Files");
  EXPECT_EQ(fs_->FindFirst("C:\\PROGRA~2", Kind::kDirectory), "");
  EXPECT_EQ(fs_->ToHostPath("C:\\PROGRA~1\\ACME\\ACME.DLL"),
            (install_ / "Program Files" / "Acme" / "acme.dll").string());
  EXPECT_EQ(fs_->ToHostPath("C:\\PROGRA~1\\NONE"), "");

  const std::string z_install = Z(install_);
  EXPECT_EQ(z_install.rfind("Z:\\tmp\\veskaro_hostfs_", 0), 0u) << z_install;
  EXPECT_EQ(fs_->FindFirst(z_install + "\\WINDOWS\\INF\\NET.INF", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_->FindFirst(Z(out_), Kind::kDirectory), "out");
  EXPECT_EQ(fs_->FindFirst("Z:\\", Kind::kDirectory), "Z:\\");

  EXPECT_EQ(HostToWindowsPath("/"), "Z:\\");
  EXPECT_EQ(HostToWindowsPath("/home//user/"), "Z:\\home\\user");
  EXPECT_EQ(HostToWindowsPath("relative/x"), "");
  EXPECT_EQ(HostToWindowsPath("/odd\\name"), "");
  EXPECT_EQ(WindowsToHostPath("Z:\\home\\user\\"), "/home/user");
  EXPECT_EQ(WindowsToHostPath("z:"), "/");
  EXPECT_EQ(WindowsToHostPath("C:\\WINDOWS"), "");
  EXPECT_EQ(WindowsToHostPath(HostToWindowsPath(out_.string())), out_.string());
}

TEST_F(HostFileSystemTest, ReadsFilesInBlocks) {
  std::string error;
  auto source = fs_->OpenRead("C:\\windows\\INF\\NET.INF", &error);
  ASSERT_NE(source, nullptr) << error;
  LineReader lines(std::move(source), 4);
  std::string_view line;
  ASSERT_EQ(lines.Next(&line), LineReader::Status::kLine);
  EXPECT_EQ(line, "[Version]");
  ASSERT_EQ(lines.Next(&line), LineReader::Status::kLine);
  EXPECT_EQ(line, "Signature=$CHICAGO$");
  EXPECT_EQ(lines.Next(&line), LineReader::Status::kEnd);

  std::string big(3 * 1024 * 1024 + 17, 'x');
  for (std::size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>(i);
  Write(out_ / "big.bin", big);
  source = fs_->OpenRead(Z(out_ / "big.bin"), &error);
  ASSERT_NE(source, nullptr) << error;
  std::string got;
  std::vector<char> buffer(100000);
  for (std::ptrdiff_t n; (n = source->Read(buffer.data(), buffer.size(), &error)) > 0;) {
    got.append(buffer.data(), static_cast<std::size_t>(n));
  }
  EXPECT_EQ(got, big);

  EXPECT_EQ(fs_->OpenRead("C:\\WINDOWS\\INF\\NONE.INF", &error), nullptr);
  EXPECT_NE(error.find("NONE.INF"), std::string::npos);
  EXPECT_EQ(fs_->OpenRead("C:\\WINDOWS\\INF", &error), nullptr);
  EXPECT_EQ(fs_->OpenRead("C:\\WINDOWS\\INF\\", &error), nullptr);
}

TEST_F(HostFileSystemTest, CopiesThroughATemporary) {
  const std::string out = Z(out_);
  ASSERT_TRUE(fs_->CopyFile("C:\\WINDOWS\\INF\\NET.INF", out + "\\NET.INF").ok());
  EXPECT_EQ(Read(out_ / "NET.INF"), Read(install_ / "WINDOWS" / "INF" / "Net.inf"));
  EXPECT_EQ(fs::last_write_time(out_ / "NET.INF"),
            fs::last_write_time(install_ / "WINDOWS" / "INF" / "Net.inf"));
  // Replacing matches the existing name ignoring case and keeps it.
  ASSERT_TRUE(fs_->CopyFile("C:\\PROGRA~1\\ACME\\ACME.DLL", out + "\\net.inf").ok());
  EXPECT_EQ(Read(out_ / "NET.INF"), "dll");
  EXPECT_FALSE(fs::exists(out_ / "net.inf"));
  EXPECT_EQ(Temporaries(out_), 0);

  struct Case {
    std::string from, to;
    FsError error;
  };
  fs::create_directories(out_ / "Folder");
  Write(out_ / "keep.txt", "keep");
  const Case cases[] = {
      {"C:\\WINDOWS\\INF\\GONE.INF", out + "\\GONE.INF", FsError::kOther},
      {"C:\\NOWHERE\\NET.INF", out + "\\X.INF", FsError::kPathNotFound},
      {"C:\\WINDOWS\\INF\\NET.INF", out + "\\MISSING\\NET.INF", FsError::kPathNotFound},
      {"C:\\WINDOWS\\INF\\NET.INF", out + "\\folder", FsError::kOther},
      {"C:\\WINDOWS\\INF", out + "\\INF", FsError::kOther},
      {"C:\\WINDOWS\\INF\\NET.INF", out + "\\a:b", FsError::kOther},
      {"C:\\WINDOWS\\INF\\NET.INF", out + "\\", FsError::kOther},
      {out + "\\keep.txt", out + "\\KEEP.TXT", FsError::kOther},
  };
  for (const Case& c : cases) {
    const FsStatus status = fs_->CopyFile(c.from, c.to);
    EXPECT_EQ(status.error, c.error) << c.from << " -> " << c.to << ": " << status.detail;
    EXPECT_FALSE(status.detail.empty());
  }
  EXPECT_TRUE(fs::is_directory(out_ / "Folder"));
  EXPECT_EQ(Read(out_ / "keep.txt"), "keep");
  EXPECT_FALSE(fs::exists(out_ / "GONE.INF"));
  EXPECT_EQ(Temporaries(out_), 0);
}

TEST_F(HostFileSystemTest, MakesOneFolderLevel) {
  const std::string out = Z(out_);
  EXPECT_TRUE(fs_->MakeDirectory(out + "\\Audio Device 16_32").ok());
  EXPECT_TRUE(fs::is_directory(out_ / "Audio Device 16_32"));
  EXPECT_TRUE(fs_->MakeDirectory(out + "\\Trailing\\").ok());
  EXPECT_TRUE(fs::is_directory(out_ / "Trailing"));
  EXPECT_EQ(fs_->MakeDirectory(out + "\\AUDIO DEVICE 16_32").error, FsError::kOther);
  EXPECT_EQ(fs_->MakeDirectory(out + "\\new\\deep").error, FsError::kPathNotFound);
  EXPECT_EQ(fs_->MakeDirectory(out + "\\a:b").error, FsError::kOther);
  EXPECT_EQ(fs_->MakeDirectory("Q:\\X").error, FsError::kPathNotFound);
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
  Write(out_ / "Net.inf", "other");
  EXPECT_EQ(fs_->CopyFile(out + "\\Net.inf", "C:\\WINDOWS\\INF\\NET.INF").error, FsError::kOther);
  EXPECT_EQ(Read(install_ / "WINDOWS" / "INF" / "Net.inf"), "[Version]\r\nSignature=$CHICAGO$\r\n");
  EXPECT_FALSE(fs::exists(install_ / "NEW"));
  EXPECT_FALSE(fs::exists(install_ / "COPY.INF"));
  EXPECT_FALSE(fs::exists(install_ / "WINDOWS" / "COPY.INF"));
  EXPECT_EQ(Temporaries(install_ / "WINDOWS"), 0);
  // Reading the installation stays possible.
  std::string error;
  EXPECT_NE(fs_->OpenRead("C:\\WINDOWS\\INF\\NET.INF", &error), nullptr);
}

TEST_F(HostFileSystemTest, FullDriveFailsCleanly) {
  const fs::path small = root_ / "small";
  fs::create_directories(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs to fill up (needs root): " << std::strerror(errno);
  }
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{small.string()};

  Write(out_ / "big.bin", std::string(256 * 1024, 'b'));
  Write(out_ / "tiny.bin", "tiny");
  Write(small / "big.bin", "earlier");
  const std::string out = Z(out_);
  const FsStatus full = fs_->CopyFile(out + "\\big.bin", Z(small) + "\\BIG.BIN");
  EXPECT_EQ(full.error, FsError::kDiskFull) << full.detail;
  EXPECT_NE(full.detail.find("No space left"), std::string::npos) << full.detail;
  EXPECT_EQ(Read(small / "big.bin"), "earlier");
  const FsStatus fresh = fs_->CopyFile(out + "\\big.bin", Z(small) + "\\NEW.BIN");
  EXPECT_EQ(fresh.error, FsError::kDiskFull);
  EXPECT_FALSE(fs::exists(small / "NEW.BIN"));
  EXPECT_EQ(Temporaries(small), 0);
  // With the room freed again, small files still fit.
  EXPECT_TRUE(fs_->CopyFile(out + "\\tiny.bin", Z(small) + "\\tiny.bin").ok());
  EXPECT_EQ(Read(small / "tiny.bin"), "tiny");
}

}  // namespace
}  // namespace veskaro::platform
