#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/registry_read.h"

namespace veskaro::platform {
namespace {

// Builds its keys below a scratch key of HKEY_LOCAL_MACHINE (the Wine prefix is
// thrown away after the run) and deletes them again.
class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\VeskaroTest" + std::to_string(GetCurrentProcessId());
    DeleteTree(base_);
  }
  void TearDown() override { DeleteTree(base_); }

  HKEY Create(const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (base_ + "\\" + path).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }
  void Set(const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = Create(path);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void SetString(const std::string& path, const char* name, const std::string& text) {
    Set(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
  static void DeleteTree(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != 0) return;
    char name[256];
    std::vector<std::string> children;
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
      children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& child : children) DeleteTree(path + "\\" + child);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
  }

  std::string base_;
  Win32Registry registry_;
};

TEST_F(Win32RegistryTest, ValuesKeepTheirTypesSizesAndStatuses) {
  SetString("Class\\Net\\0000", "DriverDesc", "NE2000 Compatible");
  SetString("Class\\Net\\0000", "", "Network adapters");
  SetString("Class\\Net\\0000", "Empty", "");
  DWORD flag = 1;
  Set("Class\\Net\\0000", "NoUseClass", REG_DWORD, &flag, sizeof flag);
  const char cut[] = "Before\0After";
  Set("Class\\Net\\0000", "Cut", REG_SZ, cut, sizeof cut);

  RegKey key = 0;
  ASSERT_EQ(registry_.RegOpenKeyA(kHKeyLocalMachine, base_ + "\\Class\\Net\\0000", &key), 0);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(registry_.RegQueryValueExA(key, "DriverDesc", &type, nullptr, &size), 0);
  EXPECT_EQ(type, kRegSz);
  ASSERT_GE(size, 18u);  // the text and its terminating zero
  std::vector<std::uint8_t> buffer(size, ' ');
  EXPECT_EQ(registry_.RegQueryValueExA(key, "DriverDesc", &type, buffer.data(), &size), 0);
  EXPECT_EQ(size, 18u);
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()), "NE2000 Compatible");
  std::uint32_t small = 4;
  EXPECT_EQ(registry_.RegQueryValueExA(key, "driverdesc", nullptr, buffer.data(), &small),
            kErrorMoreData);
  EXPECT_EQ(small, 18u);
  EXPECT_EQ(registry_.RegQueryValueExA(key, "NoUseClass", &type, nullptr, &size), 0);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(registry_.RegQueryValueExA(key, "Missing", &type, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(registry_.RegCloseKey(key), 0);

  // A failed open leaves the handle alone; the invalid handle 0 fails in turn.
  RegKey untouched = 0;
  EXPECT_EQ(registry_.RegOpenKeyA(kHKeyLocalMachine, base_ + "\\NoSuchKey", &untouched),
            kErrorFileNotFound);
  EXPECT_EQ(untouched, 0u);
  EXPECT_EQ(registry_.RegQueryValueExA(0, "DriverDesc", &type, nullptr, &size),
            kErrorInvalidHandle);

  // The readers above the four operations, with the class root's trailing backslash.
  std::string entry = base_ + "\\Class\\Net\\0000\\";
  using registry::QueryRegString;
  EXPECT_EQ(QueryRegString(registry_, kHKeyLocalMachine, entry, "DriverDesc", "-"),
            "NE2000 Compatible");
  EXPECT_EQ(QueryRegString(registry_, kHKeyLocalMachine, entry, "", "-"), "Network adapters");
  EXPECT_EQ(QueryRegString(registry_, kHKeyLocalMachine, entry, "Empty", "-"), "");
  EXPECT_EQ(QueryRegString(registry_, kHKeyLocalMachine, entry, "NoUseClass", "-"), "-");
  EXPECT_EQ(QueryRegString(registry_, kHKeyLocalMachine, entry, "Missing", "-"), "-");
  EXPECT_EQ(QueryRegString(registry_, kHKeyLocalMachine, entry, "Cut", "-"), "Before");
  EXPECT_EQ(QueryRegString(registry_, kHKeyLocalMachine, base_ + "\\Gone\\", "", "-"), "-");
  EXPECT_EQ(registry_.open_handles(), 0);
}

TEST_F(Win32RegistryTest, SubkeysComeInTheRegistrysOrderAndNoHandleStaysOpen) {
  for (const char* name : {"Zeta", "alpha", "Mid"})
    RegCloseKey(Create(std::string("Class\\") + name));
  RegCloseKey(Create("Empty"));

  // Wine, like Windows NT, keeps subkeys sorted by name whatever the creation order.
  EXPECT_EQ(registry::EnumRegKeys(registry_, kHKeyLocalMachine, base_ + "\\Class\\"),
            std::vector<std::string>({"alpha", "Mid", "Zeta"}));
  EXPECT_TRUE(registry::EnumRegKeys(registry_, kHKeyLocalMachine, base_ + "\\Empty").empty());
  EXPECT_TRUE(registry::EnumRegKeys(registry_, kHKeyLocalMachine, base_ + "\\Gone").empty());

  RegKey key = 0;
  ASSERT_EQ(registry_.RegOpenKeyA(kHKeyLocalMachine, base_ + "\\Class", &key), 0);
  char name[8];
  EXPECT_EQ(registry_.RegEnumKeyA(key, 2, name, sizeof name), 0);
  EXPECT_STREQ(name, "Zeta");
  EXPECT_EQ(registry_.RegEnumKeyA(key, 3, name, sizeof name), kErrorNoMoreItems);
  EXPECT_EQ(registry_.RegEnumKeyA(key, 0, name, 5), kErrorMoreData);  // "alpha" and its zero

  // An empty path opens the same key under a second handle of its own.
  RegKey again = 0;
  ASSERT_EQ(registry_.RegOpenKeyA(key, "", &again), 0);
  EXPECT_NE(again, key);
  EXPECT_EQ(registry_.open_handles(), 2);
  EXPECT_EQ(registry_.RegCloseKey(again), 0);
  EXPECT_EQ(registry_.RegEnumKeyA(key, 1, name, sizeof name), 0);
  EXPECT_STREQ(name, "Mid");
  EXPECT_EQ(registry_.RegCloseKey(key), 0);
  EXPECT_EQ(registry_.RegCloseKey(key), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(kHKeyLocalMachine), 0);
  EXPECT_EQ(registry_.open_handles(), 0);
}

}  // namespace
}  // namespace veskaro::platform
