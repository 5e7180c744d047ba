// The real Windows Me hive of the shared test data: loaded in full, and what the
// registry alone decides about its driver classes and entries. The expected rows
// follow from the class and entry rules applied to the hive's content as libcreg
// alone reports it (72 class keys, 33 of them GUID-named; most without entries).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "drivers/driver_classes.h"
#include "platform/offline/creg_registry.h"
#include "registry/registry_read.h"
#include "tools/creg/creg_dump.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using Key = MemoryRegistry::Key;

constexpr std::string_view kClassRoot = drivers::kClassRoot;

class WindowsMeHiveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path source = fs::path(VESKARO_SHARED_DIR) / "realdata" / "winme-SYSTEM.DAT";
    if (!fs::exists(source)) return;
    // A private copy in the build tree: the shared file is never opened by the reader.
    dir_ = new fs::path(fs::current_path() / ("winme_hive_" + std::to_string(::getpid())));
    fs::create_directories(*dir_);
    copy_ = new std::string((*dir_ / "SYSTEM.DAT").string());
    fs::copy_file(source, *copy_, fs::copy_options::overwrite_existing);
    fs::permissions(*copy_, fs::perms::owner_read | fs::perms::owner_write);
    registry_ = new MemoryRegistry;
    error_ = new std::string;
    loaded_ = LoadCregFile(*copy_, kCregDefaultCodepage, *registry_, error_);
  }
  static void TearDownTestSuite() {
    if (dir_ != nullptr) fs::remove_all(*dir_);
    delete dir_;
    delete copy_;
    delete registry_;
    delete error_;
    dir_ = nullptr;
    copy_ = nullptr;
    registry_ = nullptr;
    error_ = nullptr;
  }
  void SetUp() override {
    if (copy_ == nullptr) GTEST_SKIP() << "the shared Windows Me hive is not there";
    ASSERT_TRUE(loaded_) << *error_;
  }

  static std::string Query(std::string_view path, std::string_view name) {
    return registry::QueryRegString(*registry_, kHKeyLocalMachine, path, name, "<missing>");
  }

  static inline fs::path* dir_ = nullptr;
  static inline std::string* copy_ = nullptr;
  static inline MemoryRegistry* registry_ = nullptr;
  static inline std::string* error_ = nullptr;
  static inline bool loaded_ = false;
};

// Text values lose one stored terminating zero on loading; nothing else changes.
void DropTextZeros(Key& key) {
  for (auto& value : key.values) {
    if ((value.type == kRegSz || value.type == kRegExpandSz) && !value.data.empty() &&
        value.data.back() == '\0') {
      value.data.pop_back();
    }
  }
  for (auto& sub : key.subkeys) DropTextZeros(*sub);
}

std::string Diff(const Key& a, const Key& b, const std::string& path) {
  if (a.name != b.name) return path + ": name";
  if (a.values.size() != b.values.size()) return path + ": value count";
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    if (a.values[i].name != b.values[i].name || a.values[i].type != b.values[i].type ||
        a.values[i].data != b.values[i].data) {
      return path + ": value " + a.values[i].name;
    }
  }
  if (a.subkeys.size() != b.subkeys.size()) return path + ": subkey count";
  for (std::size_t i = 0; i < a.subkeys.size(); ++i) {
    std::string d = Diff(*a.subkeys[i], *b.subkeys[i], path + "\\" + a.subkeys[i]->name);
    if (!d.empty()) return d;
  }
  return "";
}

int CountKeys(const Key& key) {
  int count = 1;
  for (const auto& sub : key.subkeys) count += CountKeys(*sub);
  return count;
}

TEST_F(WindowsMeHiveTest, HoldsEveryKeyAndValueThatLibcregReports) {
  Key expected;
  std::string error;
  ASSERT_TRUE(tools::DumpCreg(*copy_, &expected, &error)) << error;
  DropTextZeros(expected);
  const Key* loaded = registry_->FindKey(kHKeyLocalMachine, "");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Diff(expected, *loaded, ""), "");
  EXPECT_EQ(CountKeys(*loaded), 4999);
}

TEST_F(WindowsMeHiveTest, ClassListLeavesOutGuidKeysEmptyClassesAndNoUseClass) {
  // Listed: keys not beginning with "{", with entry subkeys, "NoUseClass" not "1".
  // NetTrans and NetClient have entries but "NoUseClass"="1"; every listed class
  // has a default value, so none shows "Default".
  EXPECT_EQ(registry::EnumRegKeys(*registry_, kHKeyLocalMachine, kClassRoot).size(), 72u);
  const auto classes = drivers::ListClasses(*registry_, kClassRoot);
  ASSERT_TRUE(classes.has_value());
  std::vector<std::string> rows;
  for (const auto& row : *classes) rows.push_back(row.HiddenRow());
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "Display adapters|||DISPLAY",
                      "Sound, video and game controllers|||MEDIA",
                      "Disk drives|||DiskDrive",
                      "Human Interface Devices|||HIDClass",
                      "Network adapters|||Net",
                      "Keyboard|||Keyboard",
                      "System devices|||System",
                      "Monitors|||Monitor",
                      "CDROM|||CDROM",
                      "Floppy disk controllers|||fdc",
                      "Hard disk controllers|||hdc",
                      "Mouse|||Mouse",
                      "Universal Serial Bus controllers|||USB",
                  }));
  EXPECT_EQ(Query(std::string(kClassRoot) + "NetTrans", "NoUseClass"), "1");
  EXPECT_EQ(Query(std::string(kClassRoot) + "NetClient", "NoUseClass"), "1");
}

TEST_F(WindowsMeHiveTest, EntryListsUseDeviceDescriptionsAndDropDuplicates) {
  auto keys = [](std::string_view class_key) {
    std::vector<std::string> out;
    for (const auto& row : drivers::ListEntries(*registry_, kClassRoot, class_key)) {
      out.push_back(row.key_path);
    }
    return out;
  };
  // Three "Disk drive" entries without device: only the first is listed.
  const auto disks = drivers::ListEntries(*registry_, kClassRoot, "DiskDrive");
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].HiddenRow(), "Disk drive|||DiskDrive\\0000");

  // System 0001 shows the DeviceDesc of Enum\PCI\IRQHolder's first instance, which
  // equals the DriverDesc of 0002, 0003 and 0006: those are dropped.
  EXPECT_EQ(Query("Enum\\PCI\\IRQHolder\\60", "DeviceDesc"), "IRQ Holder for PCI Steering");
  EXPECT_EQ(keys("System"), (std::vector<std::string>{
                                "System\\0000", "System\\0001", "System\\0004", "System\\0005",
                                "System\\0007", "System\\0008", "System\\0009", "System\\0010",
                                "System\\0011", "System\\0012", "System\\0013", "System\\0014",
                                "System\\0015", "System\\0016", "System\\0017", "System\\0018"}));

  // USB 0001's device lives under an instance key with "&" in its name.
  const auto usb = drivers::ListEntries(*registry_, kClassRoot, "USB");
  ASSERT_EQ(usb.size(), 2u);
  EXPECT_EQ(usb[1].shown, "USB Root Hub");
  EXPECT_EQ(usb[1].HiddenRow(), "USB Root Hub|||USB\\0001");
  EXPECT_EQ(keys("MEDIA").size(), 9u);
  // Two "TCP/IP" entries (a class the class list hides) give one row.
  EXPECT_EQ(keys("NetTrans"), (std::vector<std::string>{"NetTrans\\0000"}));
}

TEST_F(WindowsMeHiveTest, DisplayEntryNamesItsInfByItsShortAlias) {
  const std::string entry = std::string(kClassRoot) + "DISPLAY\\0000";
  EXPECT_EQ(Query(entry, "InfPath"), "ANAPAC~1.INF");
  EXPECT_EQ(Query("system\\currentcontrolset\\services\\class\\display\\0000", "infsection"),
            "Driver.Install");
  EXPECT_EQ(Query(entry, "DriverDesc"), "VBE Miniport - Standard PCI Graphics Adapter (VGA)");
}

}  // namespace
}  // namespace veskaro::platform
