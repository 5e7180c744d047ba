// Hostile SYSTEM.DAT hives: a key tree 10,000 keys wide and 200 deep, names longer
// than the enumeration buffer, and inputs the fuzz target once stopped on. Each is
// loaded whole (or refused with a sentence) and read back through the registry
// operations.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "drivers/driver_classes.h"
#include "platform/offline/creg_registry.h"
#include "registry/registry_read.h"
#include "testing/temp_folder.h"
#include "tools/creg/creg_writer.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using Key = MemoryRegistry::Key;

Key& Add(Key& parent, std::string name) {
  parent.subkeys.push_back(std::make_unique<Key>());
  parent.subkeys.back()->name = std::move(name);
  return *parent.subkeys.back();
}

void SetString(Key& key, std::string name, std::string text) {
  key.values.push_back(MemoryRegistry::Value{std::move(name), kRegSz, std::move(text)});
}

class HostileHiveTest : public ::testing::Test {
 protected:
  // Writes `root` as a hive and loads it back into `out`.
  bool Load(const Key& root, MemoryRegistry& out, std::string* error) {
    std::string why;
    EXPECT_TRUE(tools::WriteCregFile(root, path_, &why)) << why;
    return LoadCregFile(path_, kCregDefaultCodepage, out, error);
  }

  testing::TempFolder temp_{"veskaro_hostile_hive"};
  const std::string path_ = (temp_.path() / "SYSTEM.DAT").string();
};

TEST_F(HostileHiveTest, TreeTenThousandKeysWideAndTwoHundredDeep) {
  Key root;
  Key& classes = Add(Add(Add(Add(root, "System"), "CurrentControlSet"), "Services"), "Class");
  for (int i = 0; i < 10000; ++i) {
    Key& entry = Add(Add(classes, "C" + std::to_string(i)), "0000");
    SetString(entry, "DriverDesc", "Driver " + std::to_string(i));
  }
  Key* deep = classes.subkeys[0]->subkeys[0].get();
  std::string deep_path = std::string(drivers::kClassRoot) + "C0\\0000";
  for (int i = 0; i < 200; ++i) {
    deep = &Add(*deep, "L" + std::to_string(i));
    deep_path += "\\L" + std::to_string(i);
  }
  SetString(*deep, "", "bottom");

  MemoryRegistry loaded;
  std::string error;
  ASSERT_TRUE(Load(root, loaded, &error)) << error;
  const auto listed = drivers::ListClasses(loaded, drivers::kClassRoot);
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(listed->size(), 10000u);
  EXPECT_EQ(registry::QueryRegString(loaded, kHKeyLocalMachine, deep_path, "", "?"), "bottom");
  EXPECT_EQ(loaded.open_handles(), 0);
}

TEST_F(HostileHiveTest, NamesLongerThanTheEnumerationBufferEndTheList) {
  Key root;
  Key& classes = Add(Add(Add(Add(root, "System"), "CurrentControlSet"), "Services"), "Class");
  SetString(Add(Add(classes, "First"), "0000"), "DriverDesc", "One");
  SetString(Add(Add(classes, std::string(300, 'L')), "0000"), std::string(300, 'v'),
            std::string(60000, 'd'));
  SetString(Add(Add(classes, "After"), "0000"), "DriverDesc", "Two");

  MemoryRegistry loaded;
  std::string error;
  ASSERT_TRUE(Load(root, loaded, &error)) << error;
  EXPECT_EQ(registry::EnumRegKeys(loaded, kHKeyLocalMachine, drivers::kClassRoot),
            std::vector<std::string>{"First"});
  const std::string long_key = std::string(drivers::kClassRoot) + std::string(300, 'L') + "\\0000";
  EXPECT_EQ(
      registry::QueryRegString(loaded, kHKeyLocalMachine, long_key, std::string(300, 'v'), "?")
          .size(),
      60000u);
}

}  // namespace
}  // namespace veskaro::platform
