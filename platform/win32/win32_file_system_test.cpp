#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_error.h"

#undef CopyFile

namespace veskaro::platform {
namespace {

// Works in a fresh folder below the system's temporary folder.
class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    root_ = std::string(temp) + "vsk" + std::to_string(GetCurrentProcessId()) + "\\";
    RemoveTree(root_);
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
  }
  void TearDown() override { RemoveTree(root_); }

  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The names in `folder`, as stored.
  static std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::string name = entry.cFileName;
      if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
  }
  static void RemoveTree(const std::string& folder) {
    for (const std::string& name : Names(folder)) {
      std::string path = folder + name;
      DWORD attributes = GetFileAttributesA(path.c_str());
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    }
    RemoveDirectoryA(folder.c_str());
  }

  std::string root_;
  Win32FileSystem fs_;
};

TEST_F(Win32FileSystemTest, DirectorySearchFindsVisibleFilesByLongNameOrAlias) {
  std::string long_path = root_ + "Example Driver Setup.inf";
  Write(long_path, "[Version]\r\n");
  char short_path[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(long_path.c_str(), short_path, sizeof short_path), 0u);
  std::string alias = std::string(short_path).substr(std::string(short_path).rfind('\\') + 1);
  ASSERT_NE(alias, "Example Driver Setup.inf");

  EXPECT_EQ(fs_.FindFirst(long_path, SearchKind::kNormal), "Example Driver Setup.inf");
  EXPECT_EQ(fs_.FindFirst(root_ + alias, SearchKind::kNormal), "Example Driver Setup.inf");
  EXPECT_EQ(fs_.FindFirst(root_ + "EXAMPLE DRIVER SETUP.INF", SearchKind::kNormal),
            "Example Driver Setup.inf");
  EXPECT_EQ(fs_.FindFirst(root_ + "missing.inf", SearchKind::kNormal), "");
  EXPECT_EQ(fs_.FindFirst(root_ + "NoFolder\\x.inf", SearchKind::kNormal), "");

  Write(root_ + "hidden.sys", "h");
  SetFileAttributesA((root_ + "hidden.sys").c_str(), FILE_ATTRIBUTE_HIDDEN);
  Write(root_ + "system.vxd", "s");
  SetFileAttributesA((root_ + "system.vxd").c_str(), FILE_ATTRIBUTE_SYSTEM);
  Write(root_ + "readonly.drv", "r");
  SetFileAttributesA((root_ + "readonly.drv").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(fs_.FindFirst(root_ + "hidden.sys", SearchKind::kNormal), "");
  EXPECT_EQ(fs_.FindFirst(root_ + "system.vxd", SearchKind::kNormal), "");
  EXPECT_EQ(fs_.FindFirst(root_ + "readonly.drv", SearchKind::kNormal), "readonly.drv");

  ASSERT_TRUE(CreateDirectoryA((root_ + "Audio Device 16_32").c_str(), nullptr));
  EXPECT_EQ(fs_.FindFirst(root_ + "Audio Device 16_32", SearchKind::kNormal), "");
  EXPECT_EQ(fs_.FindFirst(root_ + "audio device 16_32", SearchKind::kDirectory),
            "Audio Device 16_32");
  EXPECT_EQ(fs_.FindFirst(root_ + "Audio Device 16_32\\", SearchKind::kDirectory),
            "Audio Device 16_32");
  EXPECT_EQ(fs_.FindFirst(long_path, SearchKind::kDirectory), "");
}

TEST_F(Win32FileSystemTest, MakeDirectoryCreatesOneLevel) {
  EXPECT_TRUE(fs_.MakeDirectory(root_ + "Driver").ok());
  EXPECT_EQ(fs_.FindFirst(root_ + "Driver", SearchKind::kDirectory), "Driver");
  EXPECT_EQ(fs_.MakeDirectory(root_ + "Driver").error, FsError::kOther);
  FsStatus status = fs_.MakeDirectory(root_ + "No\\Driver");
  EXPECT_EQ(status.error, FsError::kPathNotFound);
  EXPECT_NE(status.detail.find(root_ + "No\\Driver"), std::string::npos) << status.detail;
}

TEST_F(Win32FileSystemTest, CopyReplacesWholeAndLeavesNoTemporaryFiles) {
  std::string source = root_ + "source.inf";
  std::string target_folder = root_ + "Backup\\";
  ASSERT_TRUE(CreateDirectoryA(target_folder.c_str(), nullptr));
  Write(source, std::string("first\r\n\0binary", 15));
  ASSERT_TRUE(fs_.CopyFile(source, target_folder + "SAVED.INF").ok());
  EXPECT_EQ(Read(target_folder + "SAVED.INF"), std::string("first\r\n\0binary", 15));

  Write(source, "second");  // shorter: nothing of the first copy may remain
  ASSERT_TRUE(fs_.CopyFile(source, target_folder + "saved.inf").ok());
  EXPECT_EQ(Read(target_folder + "SAVED.INF"), "second");
  EXPECT_EQ(Names(target_folder), std::set<std::string>({"SAVED.INF"}));
}

TEST_F(Win32FileSystemTest, CopyFailuresAreClassifiedAndLeaveTheTargetAsItWas) {
  std::string source = root_ + "source.inf";
  Write(source, "new");
  std::string folder = root_ + "Backup\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));

  // A listed file that vanished from a folder that still exists: not a path error.
  FsStatus status = fs_.CopyFile(root_ + "vanished.inf", folder + "vanished.inf");
  EXPECT_EQ(status.error, FsError::kOther);
  EXPECT_NE(status.detail.find("vanished.inf"), std::string::npos);
  EXPECT_EQ(fs_.CopyFile(root_ + "NoFolder\\x.inf", folder + "x.inf").error,
            FsError::kPathNotFound);
  EXPECT_EQ(fs_.CopyFile(source, root_ + "NoFolder\\x.inf").error, FsError::kPathNotFound);
  EXPECT_EQ(fs_.CopyFile(source, "Q:\\Veskaro\\x.inf").error, FsError::kPathNotFound);

  // A read-only copy or a folder under the target name is not replaced.
  Write(folder + "old.inf", "old");
  SetFileAttributesA((folder + "old.inf").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(fs_.CopyFile(source, folder + "old.inf").error, FsError::kOther);
  EXPECT_EQ(Read(folder + "old.inf"), "old");
  ASSERT_TRUE(CreateDirectoryA((folder + "Sub").c_str(), nullptr));
  EXPECT_EQ(fs_.CopyFile(source, folder + "Sub").error, FsError::kOther);
  EXPECT_EQ(Names(folder), std::set<std::string>({"old.inf", "Sub"}));

  // The classes that no test folder can produce.
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_DISK_FULL, "x").error, FsError::kDiskFull);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_HANDLE_DISK_FULL, "x").error, FsError::kDiskFull);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_NOT_READY, "x").error, FsError::kNotReady);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_INVALID_DRIVE, "x").error, FsError::kPathNotFound);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_BAD_PATHNAME, "x").error, FsError::kPathNotFound);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_ACCESS_DENIED, "x").error, FsError::kOther);
}

TEST_F(Win32FileSystemTest, OpenReadGivesTheBytesAsStored) {
  std::string bytes = "line one\r\nline\ttwo\rthree\n";
  bytes.push_back('\0');
  bytes += std::string(100000, 'x');
  Write(root_ + "big.inf", bytes);
  std::string error;
  std::unique_ptr<ByteSource> source = fs_.OpenRead(root_ + "BIG.INF", &error);
  ASSERT_NE(source, nullptr) << error;
  std::string read;
  char block[4096];
  for (std::ptrdiff_t n; (n = source->Read(block, sizeof block, &error)) > 0;)
    read.append(block, n);
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(fs_.OpenRead(root_ + "missing.inf", &error), nullptr);
  EXPECT_NE(error.find("missing.inf"), std::string::npos) << error;
}

TEST(Win32EnvironmentTest, ReadsVariablesOfAnyLength) {
  Win32Environment environment;
  std::string long_value(3000, 'v');
  ASSERT_TRUE(SetEnvironmentVariableA("VESKARO_TEST_VALUE", long_value.c_str()));
  EXPECT_EQ(environment.Get("VESKARO_TEST_VALUE"), long_value);
  EXPECT_EQ(environment.Get("veskaro_test_value"), long_value);
  EXPECT_EQ(environment.Get("VESKARO_TEST_UNSET"), "");
  EXPECT_FALSE(environment.Get("windir").empty());
}

}  // namespace
}  // namespace veskaro::platform
