#include "drivers/driver_classes.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/memory_registry.h"

namespace veskaro::drivers {
namespace {

using Rows = std::vector<std::string>;

// A registry that records the key paths opened, to tell which reads were made.
class OpenLoggingRegistry : public platform::MemoryRegistry {
 public:
  long RegOpenKeyA(platform::RegKey key, std::string_view sub, platform::RegKey* out) override {
    opened.emplace_back(sub);
    return MemoryRegistry::RegOpenKeyA(key, sub, out);
  }
  std::vector<std::string> opened;
};

class DriverClassesTest : public ::testing::Test {
 protected:
  // Sets a text value below the class root; a value name "" sets the default value.
  void Set(const std::string& path, std::string_view name, std::string_view text) {
    reg.SetString(platform::kHKeyLocalMachine, std::string(kClassRoot) + path, name, text);
  }
  Rows Entries(std::string_view class_key) {
    Rows rows;
    for (const auto& r : ListEntries(reg, kClassRoot, class_key)) {
      rows.push_back(r.shown + " / " + r.HiddenRow());
    }
    return rows;
  }
  OpenLoggingRegistry reg;
};

TEST_F(DriverClassesTest, ClassListFilters) {
  EXPECT_FALSE(ListClasses(reg, kClassRoot).has_value());  // no class keys at all
  Set("{4D36E96A}\\0000", "DriverDesc", "x");
  Set("Empty", "", "No entries");
  Set("Hidden\\0000", "DriverDesc", "x");
  Set("Hidden", "NoUseClass", "1");
  Set("Zero\\0000", "DriverDesc", "x");
  Set("Zero", "NoUseClass", "0");
  Set("Zero", "", "Zero class");
  Set("Spaced\\0000", "DriverDesc", "x");
  Set("Spaced", "NoUseClass", " 1");
  Set("Dword\\0000", "DriverDesc", "x");  // a NoUseClass that is not text is missing
  reg.SetDword(platform::kHKeyLocalMachine, std::string(kClassRoot) + "Dword", "NoUseClass", 1);
  Set("Blank\\0000", "DriverDesc", "x");
  Set("Blank", "", "");

  const auto classes = ListClasses(reg, kClassRoot);
  ASSERT_TRUE(classes.has_value());
  Rows rows;
  for (const auto& c : *classes) rows.push_back(c.HiddenRow());
  EXPECT_EQ(rows, (Rows{"Zero class|||Zero", "Default|||Spaced", "Default|||Dword", "|||Blank"}));
  EXPECT_EQ(reg.open_handles(), 0);
}

TEST_F(DriverClassesTest, DuplicatesAreTestedAgainstShownRows) {
  Set("Net\\0000", "DriverDesc", "Net A");
  Set("Net\\0000", "MatchingDeviceId", "PCI\\VEN_1");
  reg.SetString(platform::kHKeyLocalMachine, "Enum\\PCI\\VEN_1\\I1", "DeviceDesc", "Device");
  reg.SetString(platform::kHKeyLocalMachine, "Enum\\PCI\\VEN_1\\I2", "DeviceDesc", "Second");
  Set("Net\\0001", "DriverDesc", "Net A");   // row 0 shows "Device": not a duplicate
  Set("Net\\0002", "DriverDesc", "Device");  // the text shown for 0000
  Set("Net\\0003", "DriverDesc", "Net A");   // the text shown for 0001
  Set("Net\\0003", "MatchingDeviceId", "PCI\\VEN_2");
  Set("Net\\0004", "DriverDesc", "net a");  // other letter case
  Set("Net\\0005", "InfPath", "no.inf");    // no DriverDesc
  Set("Net\\{0006}", "DriverDesc", "Guid entry");

  EXPECT_EQ(Entries("Net"), (Rows{"Device / Net A|||Net\\0000", "Net A / Net A|||Net\\0001",
                                  "net a / net a|||Net\\0004"}));
  // The dropped duplicate was still looked up below Enum; the "{" entry was not read.
  EXPECT_EQ(std::count(reg.opened.begin(), reg.opened.end(), "Enum\\PCI\\VEN_2"), 1);
  for (const auto& path : reg.opened) EXPECT_EQ(path.find("{0006}"), std::string::npos);
  EXPECT_EQ(reg.open_handles(), 0);
  EXPECT_TRUE(Entries("Missing").empty());
}

TEST_F(DriverClassesTest, EmptyDeviceIdReadsFirstSubkeyOfEnum) {
  reg.SetString(platform::kHKeyLocalMachine, "Enum\\Root\\X", "DeviceDesc", "nested");
  reg.SetString(platform::kHKeyLocalMachine, "Enum\\Root", "DeviceDesc", "Root device");
  Set("Ports\\0000", "DriverDesc", "Port driver");
  EXPECT_EQ(Entries("Ports"), Rows{"Root device / Port driver|||Ports\\0000"});
}

TEST(KeyPartTest, SecondPieceOfHiddenRow) {
  EXPECT_EQ(KeyPart("a|||b|||c"), "b");
  EXPECT_EQ(KeyPart("no separator"), "");
}

}  // namespace
}  // namespace veskaro::drivers
