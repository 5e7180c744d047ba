#include "platform/offline/creg_registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

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

class CregRegistryTest : public ::testing::Test {
 protected:
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::string Hive(const Key& root) {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(tools::WriteCreg(root, &bytes, &error)) << error;
    return bytes;
  }

  testing::TempFolder temp_{"veskaro_creg"};
  const fs::path& dir_ = temp_.path();
};

TEST_F(CregRegistryTest, KeepsRawTextTypesAndOrder) {
  Key root;
  Key& entry = Add(Add(Add(root, "System"), "Class"), "Caf\xe9");
  entry.values = {
      {"", kRegSz, "Default text"},
      {"Stored with zero", kRegSz, std::string("abc\0", 4)},
      {"Embedded", kRegSz, std::string("a\0b", 3)},
      {"Empty", kRegSz, ""},
      {"Expand", kRegExpandSz, std::string("%windir%\0", 9)},
      {"Binary", kRegBinary, std::string("\x01\x00", 2)},
      {"Number", kRegDword, std::string("\x2a\x00\x00\x00", 4)},
      {"D\xe9j\xe0", kRegSz, "\xe9t\xe9 \x80"},
  };
  for (const char* name : {"zeta", "Alpha",
                           "\xc9"
                           "cole"})
    Add(entry, name);
  const std::string path = WriteFile("SYSTEM.DAT", Hive(root));

  MemoryRegistry registry;
  std::string error;
  ASSERT_TRUE(LoadCregFile(path, kCregDefaultCodepage, registry, &error)) << error;

  // Names match ignoring code page 1252 letter case and keep their bytes.
  const Key* loaded = registry.FindKey(kHKeyLocalMachine, "SYSTEM\\class\\CAF\xc9");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->name, "Caf\xe9");
  ASSERT_EQ(loaded->values.size(), entry.values.size());
  EXPECT_EQ(loaded->values[1].data, "abc");                   // one stored zero dropped
  EXPECT_EQ(loaded->values[2].data, std::string("a\0b", 3));  // inner zero kept
  EXPECT_EQ(loaded->values[4].data, "%windir%");
  EXPECT_EQ(loaded->values[4].type, kRegExpandSz);
  EXPECT_EQ(loaded->values[5].data, std::string("\x01\x00", 2));  // binary keeps its zero
  EXPECT_EQ(loaded->values[6].type, kRegDword);
  ASSERT_EQ(loaded->subkeys.size(), 3u);
  EXPECT_EQ(loaded->subkeys[0]->name, "zeta");
  EXPECT_EQ(loaded->subkeys[2]->name,
            "\xc9"
            "cole");

  // What the program's readers make of it.
  const std::string key = "System\\Class\\caf\xc9";
  EXPECT_EQ(registry::QueryRegString(registry, kHKeyLocalMachine, key, "", "F"), "Default text");
  EXPECT_EQ(registry::QueryRegString(registry, kHKeyLocalMachine, key, "Embedded", "F"), "a");
  EXPECT_EQ(registry::QueryRegString(registry, kHKeyLocalMachine, key, "Empty", "F"), "");
  EXPECT_EQ(registry::QueryRegString(registry, kHKeyLocalMachine, key, "Number", "F"), "F");
  EXPECT_EQ(registry::QueryRegString(registry, kHKeyLocalMachine, key, "d\xc9J\xc0", "F"),
            "\xe9t\xe9 \x80");
  EXPECT_EQ(registry::EnumRegKeys(registry, kHKeyLocalMachine, key),
            (std::vector<std::string>{"zeta", "Alpha",
                                      "\xc9"
                                      "cole"}));
  EXPECT_EQ(registry.open_handles(), 0);

  // Another code page is accepted for the names; an unknown one is refused.
  MemoryRegistry other;
  EXPECT_TRUE(LoadCregFile(path, 1251, other, &error)) << error;
  EXPECT_FALSE(LoadCregFile(path, 65001, other, &error));
  EXPECT_NE(error.find("65001"), std::string::npos) << error;
}

TEST_F(CregRegistryTest, DamagedOrForeignFilesGiveAClearError) {
  // root(0) -> A(1) -> B(2) -> C(3); A2(4) follows A.
  Key root;
  Add(Add(Add(root, "A"), "B"), "C");
  Add(root, "A2");
  const std::string good = Hive(root);
  auto field = [](std::uint32_t key, std::size_t field) {
    return tools::kCregRgknOffset + key + field;
  };
  auto patched = [&](std::size_t at, std::uint32_t value) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    return bytes;
  };
  Key deep_root;
  Key* deep = &deep_root;
  for (int i = 0; i <= kCregMaxDepth; ++i) deep = &Add(*deep, "d");

  struct Case {
    const char* what;
    std::string bytes;
    const char* says;
  };
  const Case cases[] = {
      {"truncated key table", good.substr(0, 0x100), "ends inside its key table"},
      {"truncated data block", good.substr(0, good.size() - 100), "ends inside data block 0"},
      {"child pointing to an ancestor",
       patched(field(tools::CregKeyOffset(3), tools::kCregChildField), tools::CregKeyOffset(1)),
       "loops back"},
      {"sibling pointing to itself",
       patched(field(tools::CregKeyOffset(4), tools::kCregNextField), tools::CregKeyOffset(4)),
       "loops back"},
      {"sibling pointing to an earlier sibling",
       patched(field(tools::CregKeyOffset(4), tools::kCregNextField), tools::CregKeyOffset(1)),
       "loops back"},
      {"link of 0, which the hive library follows into the table's header",
       patched(field(tools::CregKeyOffset(3), tools::kCregChildField), 0), "offset 0x0"},
      {"link outside the key table",
       patched(field(tools::CregKeyOffset(2), tools::kCregChildField), 0x7ffffff0u),
       "outside the key table"},
      {"key table header shifting every entry",
       patched(tools::kCregRgknOffset + 8, tools::CregKeyOffset(1)), "key table header"},
      {"link into the middle of an entry",
       patched(field(tools::CregKeyOffset(2), tools::kCregChildField), tools::CregKeyOffset(3) + 4),
       "damaged: "},
      {"name entry that does not exist", patched(field(tools::CregKeyOffset(2), 24), 0x00000077u),
       "key \\A"},
      {"data block that does not exist", patched(field(tools::CregKeyOffset(2), 24), 0x00090000u),
       "key \\A"},
      {"keys nested too deep", Hive(deep_root), "nested more than 512"},
  };
  for (const Case& c : cases) {
    const std::string path = WriteFile("SYSTEM.DAT", c.bytes);
    MemoryRegistry registry;
    std::string error;
    EXPECT_FALSE(LoadCregFile(path, kCregDefaultCodepage, registry, &error)) << c.what;
    EXPECT_NE(error.find("The registry file " + path + " is damaged: "), std::string::npos)
        << c.what << ": " << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
  }

  MemoryRegistry registry;
  std::string error;
  EXPECT_FALSE(LoadCregFile(WriteFile("export.reg", "REGEDIT4\r\n"), kCregDefaultCodepage, registry,
                            &error));
  EXPECT_NE(error.find("not a Windows 95/98/Me registry file"), std::string::npos) << error;
  EXPECT_FALSE(LoadCregFile(WriteFile("empty.dat", ""), kCregDefaultCodepage, registry, &error));
  EXPECT_NE(error.find("not a Windows 95/98/Me registry file"), std::string::npos) << error;
  const std::string missing = (dir_ / "missing.dat").string();
  EXPECT_FALSE(LoadCregFile(missing, kCregDefaultCodepage, registry, &error));
  EXPECT_NE(error.find("Cannot read the registry file " + missing), std::string::npos) << error;
}

TEST(LooksLikeCregTest, ChecksTheSignature) {
  EXPECT_TRUE(LooksLikeCreg("CREG\0\0\1\0"));
  EXPECT_FALSE(LooksLikeCreg("CRE"));
  EXPECT_FALSE(LooksLikeCreg("REGEDIT4"));
}

}  // namespace
}  // namespace veskaro::platform
