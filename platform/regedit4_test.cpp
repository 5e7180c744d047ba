#include "platform/regedit4.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "platform/memory_registry.h"
#include "testing/temp_folder.h"

namespace veskaro::platform {
namespace {

constexpr RegKey kHKeyClassesRoot = 0x80000000u;
constexpr RegKey kHKeyCurrentUser = 0x80000001u;
constexpr RegKey kHKeyDynData = 0x80000006u;
constexpr std::uint32_t kRegMultiSz = 7;

// Joins lines with CR LF, as regedit writes them.
std::string Crlf(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

const MemoryRegistry::Value* Find(const MemoryRegistry& registry, RegKey root, std::string_view key,
                                  std::string_view name) {
  const MemoryRegistry::Key* found = registry.FindKey(root, key);
  return found ? found->FindValue(name) : nullptr;
}

std::string Data(const MemoryRegistry& registry, std::string_view key, std::string_view name,
                 std::uint32_t expected_type, RegKey root = kHKeyLocalMachine) {
  const MemoryRegistry::Value* value = Find(registry, root, key, name);
  if (!value) return "<missing>";
  EXPECT_EQ(value->type, expected_type) << key << " " << name;
  return value->data;
}

std::string LoadError(std::string_view text) {
  MemoryRegistry registry;
  return LoadRegedit4(text, "export.reg", registry).error;
}

TEST(Regedit4Test, ReadsStringsWithEscapesAndLineBreaks) {
  MemoryRegistry registry;
  const std::string text = Crlf({
      "REGEDIT4",
      "",
      "; a comment",
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net\\0000]",
      "@=\"default\"",
      "\"DriverDesc\"=\"Example \\\"Fast\\\" Ethernet\"",
      "\"InfPath\"=\"C:\\\\WINDOWS\\\\INF\\\\OTHER\\\\NET.INF\"",
      "\"Odd\"=\"a\\b\"",
      "\"Empty\"=\"\"",
      "\"Two Lines\"=\"first",
      "second\"",
      "\"Na\\\"me\"  =  \"\xE9t\xE9\"  ",
  });
  ASSERT_TRUE(LoadRegedit4(text, "export.reg", registry).ok());
  const char* key = "System\\CurrentControlSet\\Services\\Class\\Net\\0000";
  EXPECT_EQ(Data(registry, key, "", kRegSz), "default");
  EXPECT_EQ(Data(registry, key, "driverdesc", kRegSz), "Example \"Fast\" Ethernet");
  EXPECT_EQ(Data(registry, key, "InfPath", kRegSz), "C:\\WINDOWS\\INF\\OTHER\\NET.INF");
  EXPECT_EQ(Data(registry, key, "Odd", kRegSz), "a\\b");
  EXPECT_EQ(Data(registry, key, "Empty", kRegSz), "");
  EXPECT_EQ(Data(registry, key, "Two Lines", kRegSz), "first\r\nsecond");
  EXPECT_EQ(Data(registry, key, "Na\"me", kRegSz), "\xE9t\xE9");
}

TEST(Regedit4Test, ReadsDwordAndHexData) {
  MemoryRegistry registry;
  const std::string text = Crlf({
      "REGEDIT4",
      "[HKEY_LOCAL_MACHINE\\Hex]",
      "\"Flags\"=dword:0000001f",
      "\"Short\"=DWORD:A",
      "\"Bits\"=hex:01,02,fF,\\",
      "  a0,\\",
      "\t\t0b , 7 ,\\",
      "c0",
      "\"None\"=hex:",
      "\"Path\"=hex(2):25,77,69,6e,00",
      "\"List\"=hex(7):61,00,62,00,00",
      "\"Sz\"=hex(1):61,62,00",
      "\"Big\"=hex(ffffffff):00",
  });
  ASSERT_TRUE(LoadRegedit4(text, "export.reg", registry).ok()) << LoadError(text);
  EXPECT_EQ(Data(registry, "Hex", "Flags", kRegDword), std::string("\x1f\0\0\0", 4));
  EXPECT_EQ(Data(registry, "Hex", "Short", kRegDword), std::string("\x0a\0\0\0", 4));
  EXPECT_EQ(Data(registry, "Hex", "Bits", kRegBinary), "\x01\x02\xff\xa0\x0b\x07\xc0");
  EXPECT_EQ(Data(registry, "Hex", "None", kRegBinary), "");
  EXPECT_EQ(Data(registry, "Hex", "Path", kRegExpandSz), std::string("%win\0", 5));
  EXPECT_EQ(Data(registry, "Hex", "List", kRegMultiSz), std::string("a\0b\0\0", 5));
  EXPECT_EQ(Data(registry, "Hex", "Sz", kRegSz), "ab");
  EXPECT_EQ(Data(registry, "Hex", "Big", 0xffffffffu), std::string(1, '\0'));
}

TEST(Regedit4Test, MergesKeysAndKeepsRootsApart) {
  MemoryRegistry registry;
  // LF line ends are accepted as well as CR LF.
  const std::string text =
      "REGEDIT4\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Acme]\n"
      "\"Version\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\Software\\Acme]\n"
      "\"Version\"=\"user\"\n"
      "[hklm\\SOFTWARE\\acme\\Sub]\n"
      "[HKEY_LOCAL_MACHINE\\software\\ACME]\n"
      "\"VERSION\"=\"2\"\n"
      "[HKEY_CLASSES_ROOT\\.inf]\n"
      "@=\"inffile\"\n"
      "[HKEY_DYN_DATA\\Config Manager]\n"
      "[HKEY_LOCAL_MACHINE]\n"
      "\"AtRoot\"=dword:1\n";
  ASSERT_TRUE(LoadRegedit4(text, "export.reg", registry).ok()) << LoadError(text);
  const MemoryRegistry::Key* acme = registry.FindKey(kHKeyLocalMachine, "Software\\Acme");
  ASSERT_NE(acme, nullptr);
  EXPECT_EQ(acme->name, "Acme");
  ASSERT_EQ(acme->values.size(), 1u);
  EXPECT_EQ(acme->values[0].name, "Version");
  EXPECT_EQ(acme->values[0].data, "2");
  ASSERT_EQ(acme->subkeys.size(), 1u);
  EXPECT_EQ(acme->subkeys[0]->name, "Sub");
  EXPECT_EQ(Data(registry, "Software\\Acme", "Version", kRegSz, kHKeyCurrentUser), "user");
  EXPECT_EQ(Data(registry, ".inf", "", kRegSz, kHKeyClassesRoot), "inffile");
  EXPECT_NE(registry.FindKey(kHKeyDynData, "Config Manager"), nullptr);
  EXPECT_EQ(registry.FindKey(kHKeyLocalMachine, "Config Manager"), nullptr);
  EXPECT_EQ(registry.FindKey(kHKeyLocalMachine, ".inf"), nullptr);
  EXPECT_EQ(Data(registry, "", "AtRoot", kRegDword), std::string("\x01\0\0\0", 4));
}

TEST(Regedit4Test, LoadsIntoAnExistingRegistry) {
  MemoryRegistry registry;
  registry.SetString(kHKeyLocalMachine, "Software\\Acme", "Kept", "yes");
  registry.SetString(kHKeyLocalMachine, "Software\\Acme", "Replaced", "old");
  ASSERT_TRUE(LoadRegedit4(Crlf({"REGEDIT4", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ACME]",
                                 "\"replaced\"=\"new\""}),
                           "export.reg", registry)
                  .ok());
  const MemoryRegistry::Key* acme = registry.FindKey(kHKeyLocalMachine, "Software\\Acme");
  ASSERT_NE(acme, nullptr);
  EXPECT_EQ(registry.FindKey(kHKeyLocalMachine, "")->subkeys.size(), 1u);
  EXPECT_EQ(acme->values.size(), 2u);
  EXPECT_EQ(Data(registry, "Software\\Acme", "Kept", kRegSz), "yes");
  EXPECT_EQ(Data(registry, "Software\\Acme", "Replaced", kRegSz), "new");
}

TEST(Regedit4Test, RefusesFilesThatAreNotRegedit4) {
  EXPECT_EQ(LoadError(""),
            "export.reg is not a REGEDIT4 registry export: it does not begin with "
            "the line REGEDIT4.");
  EXPECT_NE(LoadError("[HKEY_LOCAL_MACHINE\\X]\r\n").find("is not a REGEDIT4"), std::string::npos);
  EXPECT_NE(LoadError("REGEDIT45\r\n").find("is not a REGEDIT4"), std::string::npos);
  EXPECT_NE(LoadError("\xEF\xBB\xBFREGEDIT4\r\n").find("byte-order mark"), std::string::npos);
  EXPECT_NE(LoadError("Windows Registry Editor Version 5.00\r\n").find("Unicode"),
            std::string::npos);
  EXPECT_NE(LoadError(std::string("\xFF\xFEW\0i\0", 6)).find("Version 5.00"), std::string::npos);
  EXPECT_TRUE(LoadError("REGEDIT4").empty());
  EXPECT_TRUE(LoadError("REGEDIT4 \r\n\r\n").empty());
}

TEST(Regedit4Test, NamesFileAndLineOfMalformedText) {
  struct Case {
    std::string text;
    std::string message;
  };
  const std::string head = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";
  const Case cases[] = {
      {"REGEDIT4\r\n\r\n\"x\"=\"y\"\r\n", "line 3: a value comes before any key line"},
      {head + "\"x\"=\"y\"\r\nrubbish\r\n", "line 4: expected a key line"},
      {head + "[HKEY_LOCAL_MACHINE\\K\r\n", "line 3: the key line does not end with \"]\""},
      {head + "[HKEY_LOCAL_MACHINE\\K] x\r\n", "line 3: the key line does not end"},
      {head + "[HKEY_NOWHERE\\K]\r\n", "line 3: \"HKEY_NOWHERE\" is not a registry root key"},
      {head + "[-HKEY_LOCAL_MACHINE\\K]\r\n", "line 3: key deletions"},
      {head + "\"x\"=-\r\n", "line 3: value deletions"},
      {head + "\"x\" \"y\"\r\n", "line 3: expected \"=\" after the value name"},
      {head + "\"x\"=\"y\" z\r\n", "line 3: unexpected text after the value data"},
      {head + "\"x\"=string\r\n", "line 3: the value data is neither"},
      {head + "\"x\"=dword:\r\n", "line 3: dword data needs one to eight hex digits"},
      {head + "\"x\"=dword:123456789\r\n", "line 3: dword data needs"},
      {head + "\"x\"=hex:1,,2\r\n", "line 3: expected a byte"},
      {head + "\"x\"=hex:123\r\n", "line 3: expected a byte of one or two hex digits"},
      {head + "\"x\"=hex:12 34\r\n", "line 3: expected \",\" between the bytes"},
      {head + "\"x\"=hex:zz\r\n", "line 3: expected a byte"},
      {head + "\"x\"=hex(:00\r\n", "line 3: expected a hex type number"},
      {head + "\"x\"=hex(2:00\r\n", "line 3: expected a hex type number"},
      {head + "\"x\"=hex:01,\\ 02\r\n", "line 3: unexpected text after the line-continuation"},
      {head + "\"x\"=hex:01,\\\r\n\r\n", "line 4: this line should continue the hex data"},
      {head + "\"x\"=\"y\"\r\n\"z\"=hex:01,\\\r\n  02,\\\r\n  03 04\r\n",
       "line 6: expected \",\" between the bytes"},
      // Truncated input.
      {head + "\"x\"=\"never\r\nclosed", "line 3: the quoted text that begins on this line"},
      {head + "\"never closed", "line 3: the quoted text that begins on this line"},
      {head + "\"x\"=hex:01,\\", "line 3: the hex data goes on with \"\\\" but the file ends"},
      {head + "\"x\"=hex:01,\\\r\n", "line 4: this line should continue"},
      {head + "\"x\"=dword", "line 3: the value data is neither"},
      {head + "@", "line 3: expected \"=\""},
      {head + "[", "line 3: the key line does not end"},
  };
  for (const Case& c : cases) {
    const std::string error = LoadError(c.text);
    EXPECT_EQ(error.rfind("export.reg, line ", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << "got: " << error;
  }
}

TEST(Regedit4Test, KeepsWhatWasReadBeforeAnError) {
  MemoryRegistry registry;
  EXPECT_FALSE(LoadRegedit4(Crlf({"REGEDIT4", "[HKEY_LOCAL_MACHINE\\Good]", "\"a\"=\"1\"",
                                  "[HKEY_LOCAL_MACHINE\\Bad]", "\"b\"=bad"}),
                            "x.reg", registry)
                   .ok());
  EXPECT_EQ(Data(registry, "Good", "a", kRegSz), "1");
}

TEST(Regedit4Test, LoadsAFile) {
  MemoryRegistry registry;
  const Regedit4Result missing = LoadRegedit4File("/nonexistent/dir/system.reg", registry);
  EXPECT_NE(missing.error.find("/nonexistent/dir/system.reg"), std::string::npos);

  const testing::TempFolder temp("veskaro_regedit4");
  const std::string path = (temp.path() / "system.reg").string();
  const std::string text = Crlf({"REGEDIT4", "[HKEY_LOCAL_MACHINE\\File]", "\"x\"=\"y\"", "oops"});
  std::ofstream(path, std::ios::binary) << text;
  const Regedit4Result result = LoadRegedit4File(path, registry);
  EXPECT_EQ(result.error.rfind(path + ", line 4: ", 0), 0u) << result.error;
  EXPECT_EQ(Data(registry, "File", "x", kRegSz), "y");
}

}  // namespace
}  // namespace veskaro::platform
