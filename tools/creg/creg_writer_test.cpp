#include "tools/creg/creg_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "testing/temp_folder.h"
#include "tools/creg/creg_dump.h"

namespace veskaro::tools {
namespace {

namespace fs = std::filesystem;
using Key = platform::MemoryRegistry::Key;
using Value = platform::MemoryRegistry::Value;

Key& Add(Key& parent, std::string name) {
  parent.subkeys.push_back(std::make_unique<Key>());
  parent.subkeys.back()->name = std::move(name);
  return *parent.subkeys.back();
}

// The first difference between two trees, or empty text when they are equal.
std::string Diff(const Key& a, const Key& b, const std::string& path) {
  if (a.name != b.name) return path + ": name " + a.name + " vs " + b.name;
  if (a.values.size() != b.values.size()) return path + ": value count";
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const Value& x = a.values[i];
    const Value& y = b.values[i];
    if (x.name != y.name || x.type != y.type || x.data != y.data) {
      return path + ": value " + std::to_string(i) + " (" + x.name + ")";
    }
  }
  if (a.subkeys.size() != b.subkeys.size()) return path + ": subkey count";
  for (std::size_t i = 0; i < a.subkeys.size(); ++i) {
    std::string d = Diff(*a.subkeys[i], *b.subkeys[i], path + "\\" + a.subkeys[i]->name);
    if (!d.empty()) return d;
  }
  return "";
}

std::uint32_t U32(const std::string& s, std::size_t at) {
  return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8 |
         static_cast<std::uint8_t>(s[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 3])) << 24;
}
std::uint16_t U16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[at]) |
                                    static_cast<std::uint8_t>(s[at + 1]) << 8);
}

class CregWriterTest : public ::testing::Test {
 protected:
  // Writes `root` to a file and reads it back with libcreg alone.
  Key RoundTrip(const Key& root, std::string* bytes = nullptr, std::size_t page = kCregPage) {
    std::string path = (dir_ / "t.dat").string();
    std::string error;
    EXPECT_TRUE(WriteCregFile(root, path, &error, page)) << error;
    Key back;
    EXPECT_TRUE(DumpCreg(path, &back, &error)) << error;
    if (bytes) {
      std::ifstream in(path, std::ios::binary);
      bytes->assign(std::istreambuf_iterator<char>(in), {});
    }
    return back;
  }

  testing::TempFolder temp_{"veskaro_creg_writer"};
  const fs::path& dir_ = temp_.path();
};

TEST_F(CregWriterTest, HiveReadsBackThroughLibcregUnchanged) {
  Key root;
  Key& display =
      Add(Add(Add(Add(Add(root, "System"), "CurrentControlSet"), "Services"), "Class"), "Display");
  display.values = {{"", platform::kRegSz, "Display adapters"},
                    {"Empty", platform::kRegSz, ""},
                    {"Embedded", platform::kRegSz, std::string("a\0b", 3)},
                    {"Dword", platform::kRegDword, std::string("\x01\x00\x00\x80", 4)},
                    {"Binary", platform::kRegBinary, std::string("\x00\xff\x10", 3)},
                    {"Path", platform::kRegExpandSz, "%windir%\\INF"},
                    {"Caf\xe9 \xc4", platform::kRegSz, "D\xe9j\xe0 vu"}};
  // Order as stored, not sorted; code page 1252 key names.
  Add(display, "b");
  Add(display, "A");
  Add(display, "\xc9t\xe9");
  // More values than one block holds entries, and more keys than one block holds.
  Key& wide = Add(root, "Wide");
  for (int i = 0; i < 300; ++i) {
    wide.values.push_back({"v" + std::to_string(i), platform::kRegSz, std::string(i, 'x')});
  }
  Key& many = Add(root, "Many");
  for (int i = 0; i < 700; ++i) {
    Add(many, "k" + std::to_string(i))
        .values.push_back({"data", platform::kRegBinary, std::string(150, static_cast<char>(i))});
  }
  Key* deep = &Add(root, "Deep");
  for (int i = 0; i < 400; ++i) deep = &Add(*deep, "level" + std::to_string(i));
  deep->values.push_back({"bottom", platform::kRegDword, std::string(4, '\x07')});

  // Padded to pages as Windows does, and compact (areas padded to 4 bytes only).
  std::size_t padded_size = 0;
  for (const std::size_t page : {kCregPage, std::size_t{4}}) {
    SCOPED_TRACE(page);
    std::string bytes;
    Key back = RoundTrip(root, &bytes, page);
    EXPECT_EQ(Diff(root, back, ""), "");
    if (page == kCregPage) padded_size = bytes.size();

    // The block count sits at offset 16; every block holds at most 255 key entries
    // (its free entry aside), carries its own number and fills whole pages.
    ASSERT_GT(bytes.size(), 0x40u);
    std::size_t offset = U32(bytes, 8);
    EXPECT_EQ((offset - kCregRgknOffset) % page, 0u);
    int blocks = 0;
    while (offset < bytes.size()) {
      ASSERT_EQ(bytes.substr(offset, 4), "RGDB");
      std::size_t end = offset + U32(bytes, offset + 4);
      EXPECT_EQ((end - offset) % page, 0u);
      EXPECT_EQ(U16(bytes, offset + 14), blocks);
      int entries = 0;
      for (std::size_t at = offset + 0x20; at < end; at += U32(bytes, at)) {
        if (U16(bytes, at + 4) != 0xffff) ++entries;
      }
      EXPECT_LE(entries, 255);
      offset = end;
      ++blocks;
    }
    EXPECT_GE(blocks, 3);
    EXPECT_EQ(U16(bytes, 16), blocks);
    if (page != kCregPage) {
      EXPECT_LT(bytes.size(), padded_size);
    }
  }
  std::string bytes;
  std::string error;
  EXPECT_FALSE(WriteCreg(root, &bytes, &error, 24));
  EXPECT_EQ(error, "the page size must be a power of two of at least 4");
}

TEST_F(CregWriterTest, KeyTableKeepsItsLast32BytesFreeAtEveryPageBoundary) {
  // 0x20 header + 28 bytes per key: 142 to 146 keys end near the first page end.
  for (int count = 138; count <= 150; ++count) {
    Key root;
    for (int i = 0; i < count; ++i) Add(root, "k" + std::to_string(i));
    std::string bytes;
    Key back = RoundTrip(root, &bytes);
    EXPECT_EQ(back.subkeys.size(), static_cast<std::size_t>(count)) << count;
    const std::size_t table = U32(bytes, kCregRgknOffset + 4);
    EXPECT_GE(table - CregKeyOffset(count + 1), 32u) << count;
  }
}

TEST_F(CregWriterTest, NameHashIsTheSumOfUpperCasedAsciiBytes) {
  EXPECT_EQ(CregNameHash("SOFTWARE"), 0x26bu);
  EXPECT_EQ(CregNameHash("software"), 0x26bu);
  EXPECT_EQ(CregNameHash("\xe9t\xe9"), static_cast<std::uint32_t>('T'));
  EXPECT_EQ(CregNameHash(""), 0u);
}

TEST_F(CregWriterTest, RealHiveHashesAgreeAndItSurvivesRewriting) {
  const fs::path source = fs::path(VESKARO_SHARED_DIR) / "realdata" / "winme-SYSTEM.DAT";
  if (!fs::exists(source)) GTEST_SKIP() << "no real hive at " << source;
  const fs::path copy = dir_ / "SYSTEM.DAT";
  fs::copy_file(source, copy);
  fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);

  Key real;
  std::string error;
  ASSERT_TRUE(DumpCreg(copy.string(), &real, &error)) << error;
  std::ifstream in(copy, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(in), {});

  // Walk the key table's first-child and next-sibling links beside the tree libcreg
  // gave, and compare each stored hash with the one computed from the name.
  int checked = 0;
  std::vector<std::pair<std::uint32_t, const Key*>> pending{
      {U32(bytes, kCregRgknOffset + 8), &real}};
  while (!pending.empty()) {
    auto [entry, key] = pending.back();
    pending.pop_back();
    std::uint32_t child = U32(bytes, kCregRgknOffset + entry + kCregChildField);
    for (const auto& sub : key->subkeys) {
      ASSERT_NE(child, 0xffffffffu) << sub->name;
      ASSERT_EQ(U32(bytes, kCregRgknOffset + child + 4), CregNameHash(sub->name)) << sub->name;
      ++checked;
      pending.push_back({child, sub.get()});
      child = U32(bytes, kCregRgknOffset + child + kCregNextField);
    }
  }
  EXPECT_GT(checked, 4000);

  Key back = RoundTrip(real);
  EXPECT_EQ(Diff(real, back, ""), "");
}

TEST_F(CregWriterTest, RefusesWhatTheFormatCannotHold) {
  std::string out;
  std::string error;
  Key root;
  Key& key = Add(root, "K");
  key.values.push_back({"big", platform::kRegBinary, std::string(65535, 'x')});
  EXPECT_TRUE(WriteCreg(root, &out, &error)) << error;

  key.values.push_back({"bigger", platform::kRegBinary, std::string(65536, 'x')});
  EXPECT_FALSE(WriteCreg(root, &out, &error));
  EXPECT_NE(error.find("65535"), std::string::npos) << error;

  Key valued;
  valued.values.push_back({"", platform::kRegSz, "x"});
  EXPECT_FALSE(WriteCreg(valued, &out, &error));
  EXPECT_NE(error.find("root"), std::string::npos) << error;
}

}  // namespace
}  // namespace veskaro::tools
