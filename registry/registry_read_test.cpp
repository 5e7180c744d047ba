#include "registry/registry_read.h"

#include <gtest/gtest.h>

#include "platform/memory_registry.h"

namespace veskaro::registry {
namespace {

using platform::kHKeyLocalMachine;

class RegistryReadTest : public ::testing::Test {
 protected:
  std::string Query(std::string_view path, std::string_view name) {
    return QueryRegString(reg, kHKeyLocalMachine, path, name, "fallback");
  }
  platform::MemoryRegistry reg;
};

TEST_F(RegistryReadTest, QueryReadsOnlyTextValues) {
  reg.SetString(kHKeyLocalMachine, "Sys\\Class\\Net", "", "Network adapters");
  reg.SetString(kHKeyLocalMachine, "Sys\\Class\\Net", "Empty", "");
  reg.SetValue(kHKeyLocalMachine, "Sys\\Class\\Net", "Zero", platform::kRegSz,
               std::string_view("ab\0cd", 5));
  reg.SetDword(kHKeyLocalMachine, "Sys\\Class\\Net", "Dword", 1);
  reg.SetValue(kHKeyLocalMachine, "Sys\\Class\\Net", "Bin", platform::kRegBinary, "1");
  reg.SetValue(kHKeyLocalMachine, "Sys\\Class\\Net", "Exp", platform::kRegExpandSz, "%x%");

  EXPECT_EQ(Query("Sys\\Class\\Net", ""), "Network adapters");
  EXPECT_EQ(Query("sys\\class\\NET\\", "EMPTY"), "");
  EXPECT_EQ(Query("Sys\\Class\\Net", "Zero"), "ab");
  for (const char* name : {"Dword", "Bin", "Exp", "Missing"}) {
    EXPECT_EQ(Query("Sys\\Class\\Net", name), "fallback") << name;
  }
  EXPECT_EQ(Query("Sys\\Missing", ""), "fallback");
  EXPECT_EQ(reg.open_handles(), 0);
}

TEST_F(RegistryReadTest, EnumListsSubkeysInOrder) {
  reg.CreateKey(kHKeyLocalMachine, "Root\\Zeta");
  reg.CreateKey(kHKeyLocalMachine, "Root\\Alpha");
  reg.CreateKey(kHKeyLocalMachine, "Root\\Mid\\Below");
  EXPECT_EQ(EnumRegKeys(reg, kHKeyLocalMachine, "Root\\"),
            (std::vector<std::string>{"Zeta", "Alpha", "Mid"}));
  const auto missing = EnumRegKeys(reg, kHKeyLocalMachine, "Nowhere");
  EXPECT_TRUE(missing.empty());
  EXPECT_TRUE(IsEmptyKeyList(missing));
  EXPECT_FALSE(IsEmptyKeyList({"", "x"}));
  // A name that does not fit into 255 characters with its zero ends the list.
  reg.CreateKey(kHKeyLocalMachine, "Long\\" + std::string(254, 'a'));
  reg.CreateKey(kHKeyLocalMachine, "Long\\" + std::string(255, 'b'));
  reg.CreateKey(kHKeyLocalMachine, "Long\\after");
  EXPECT_EQ(EnumRegKeys(reg, kHKeyLocalMachine, "Long"),
            std::vector<std::string>{std::string(254, 'a')});
  EXPECT_EQ(reg.open_handles(), 0);
}

}  // namespace
}  // namespace veskaro::registry
