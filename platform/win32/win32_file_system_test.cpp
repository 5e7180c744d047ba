#include "platform/win32/win32_file_system.h"

#include <windows.h>
// <windows.h> spells CopyFile as a macro for CopyFileA; the method keeps its name.
#undef CopyFile

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_error.h"
#include "testing/file_system_contract.h"
#include "testing/temp_folder.h"

namespace veskaro::platform {
namespace {

// The names stored in `folder`.
std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

// Makes `folder` and the folders above it that are missing.
void MakeFolders(const std::string& folder) {
  const std::size_t slash = folder.rfind('\\');
  if (slash != std::string::npos && slash > 2) MakeFolders(folder.substr(0, slash));
  CreateDirectoryA(folder.c_str(), nullptr);
}

// The running system's file system under the shared contract, in a fresh folder
// below the system's temporary folder; the paths go to the ANSI functions as they
// are, code page 1252 names included.
class Win32Contract {
 public:
  static constexpr bool kAttributes = true;

  Win32Contract() {
    MakeFolders(Root());
    MakeFolders(Out());
  }

  void AddFile(std::string_view relative, std::string_view bytes, unsigned attributes) {
    const std::string path = Root() + "\\" + std::string(relative);
    MakeFolders(path.substr(0, path.rfind('\\')));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size()) << path;
    if (attributes != 0) SetFileAttributesA(path.c_str(), attributes);
  }
  void AddFolder(std::string_view relative, unsigned attributes) {
    const std::string path = Root() + "\\" + std::string(relative);
    MakeFolders(path);
    if (attributes != 0) SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_DIRECTORY);
  }
  std::string Root() { return temp_.path().string() + "\\c"; }
  FileSystem& Files() { return files_; }
  std::string Alias(std::string_view relative) {
    const std::string path = Root() + "\\" + std::string(relative);
    char short_path[MAX_PATH];
    if (GetShortPathNameA(path.c_str(), short_path, sizeof short_path) == 0) return {};
    const std::string alias = short_path;
    return alias.substr(alias.rfind('\\') + 1);
  }
  std::string Out() { return temp_.path().string() + "\\out"; }
  std::set<std::string> NamesIn(std::string_view folder) { return Names(std::string(folder)); }
  std::string FullFolder() { return {}; }

 private:
  testing::TempFolder temp_{"vsk"};
  Win32FileSystem files_;
};

// Beyond the contract: a read-only target is not replaced, and the failure classes
// that no test folder can produce.
TEST(Win32FileSystemTest, ReadOnlyTargetsStayAndErrorCodesHaveClasses) {
  testing::TempFolder temp("vsk");
  const std::string folder = temp.path().string();
  const std::string source = folder + "\\source.inf";
  const std::string old = folder + "\\old.inf";
  testing::WriteFile(source, "new");
  testing::WriteFile(old, "old");
  SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY);
  Win32FileSystem files;
  EXPECT_EQ(files.CopyFile(source, old).error, FsError::kOther);
  EXPECT_EQ(testing::ReadFile(old), "old");
  EXPECT_EQ(Names(folder), (std::set<std::string>{"old.inf", "source.inf"}));

  EXPECT_EQ(FsStatusFromWin32Error(ERROR_DISK_FULL, "x").error, FsError::kDiskFull);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_HANDLE_DISK_FULL, "x").error, FsError::kDiskFull);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_NOT_READY, "x").error, FsError::kNotReady);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_INVALID_DRIVE, "x").error, FsError::kPathNotFound);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_BAD_PATHNAME, "x").error, FsError::kPathNotFound);
  EXPECT_EQ(FsStatusFromWin32Error(ERROR_ACCESS_DENIED, "x").error, FsError::kOther);
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

VESKARO_FILE_SYSTEM_CONTRACT(Win32, veskaro::platform::Win32Contract);
