#include "platform/key_string.h"

#include <gtest/gtest.h>

namespace veskaro::platform {
namespace {

KeyStroke Char(char c, bool shift = false, bool ctrl = false, bool alt = false) {
  return KeyStroke{NamedKey::kNone, c, shift, ctrl, alt};
}
KeyStroke Key(NamedKey key, bool shift = false, bool ctrl = false, bool alt = false) {
  return KeyStroke{key, 0, shift, ctrl, alt};
}
using Strokes = std::vector<KeyStroke>;

TEST(KeyStringTest, ParsesTheViewerScript) {
  EXPECT_EQ(ParseKeyString("^f"), Strokes({Char('f', false, true)}));
  EXPECT_EQ(ParseKeyString("[Vx.Install]"),
            Strokes({Char('['), Char('V'), Char('x'), Char('.'), Char('I'), Char('n'), Char('s'),
                     Char('t'), Char('a'), Char('l'), Char('l'), Char(']')}));
  EXPECT_EQ(ParseKeyString("{ENTER}{ESC}{END}{HOME}"),
            Strokes({Key(NamedKey::kEnter), Key(NamedKey::kEscape), Key(NamedKey::kEnd),
                     Key(NamedKey::kHome)}));
  EXPECT_EQ(ParseKeyString("[]"), Strokes({Char('['), Char(']')}));
  EXPECT_EQ(ParseKeyString(""), Strokes{});
}

TEST(KeyStringTest, ModifiersGroupsNamesAndRepeats) {
  EXPECT_EQ(ParseKeyString("+x%y~"),
            Strokes({Char('x', true), Char('y', false, false, true), Key(NamedKey::kEnter)}));
  // Modifiers combine and hold for a whole group, nested groups included.
  EXPECT_EQ(ParseKeyString("^+(ab%(c))d"), Strokes({Char('a', true, true), Char('b', true, true),
                                                    Char('c', true, true, true), Char('d')}));
  EXPECT_EQ(ParseKeyString("+{TAB}^{end}{escape}{Bksp}{F1}{f16}{PgDn}"),
            Strokes({Key(NamedKey::kTab, true), Key(NamedKey::kEnd, false, true),
                     Key(NamedKey::kEscape), Key(NamedKey::kBackspace), Key(NamedKey::kF1),
                     Key(NamedKey::kF16), Key(NamedKey::kPageDown)}));
  EXPECT_EQ(ParseKeyString("{LEFT 3}{x 2}{LEFT 0}"),
            Strokes({Key(NamedKey::kLeft), Key(NamedKey::kLeft), Key(NamedKey::kLeft), Char('x'),
                     Char('x')}));
}

TEST(KeyStringTest, BracedSpecialCharactersAreLiteral) {
  EXPECT_EQ(ParseKeyString("{{}{}}{+}{^}{%}{~}{(}{)}{[}{]}"),
            Strokes({Char('{'), Char('}'), Char('+'), Char('^'), Char('%'), Char('~'), Char('('),
                     Char(')'), Char('['), Char(']')}));
  EXPECT_EQ(ParseKeyString("{ }"), Strokes({Char(' ')}));
}

TEST(KeyStringTest, RejectsMalformedStrings) {
  for (const char* bad : {"{", "{ENTER", "{}", "{NOSUCHKEY}", "{F17}", "{F0}", "}", ")", "(ab",
                          "+(a", "^", "a+", "%+", "{LEFT 99999}"}) {
    EXPECT_EQ(ParseKeyString(bad), std::nullopt) << bad;
  }
}

TEST(KeyStringTest, EscapedTextIsTypedLiterally) {
  EXPECT_EQ(EscapeKeyText("a+b^c%d~e(f)g{h}i[j]"), "a{+}b{^}c{%}d{~}e{(}f{)}g{{}h{}}i{[}j{]}");
  EXPECT_EQ(EscapeKeyText("Plain.Install 2"), "Plain.Install 2");
  // Every printable character survives the round trip unchanged.
  std::string all;
  for (int c = 32; c < 127; ++c) all.push_back(static_cast<char>(c));
  all += "\xE9\xFF";
  auto strokes = ParseKeyString(EscapeKeyText(all));
  ASSERT_TRUE(strokes.has_value());
  std::string typed;
  for (const KeyStroke& s : *strokes) {
    EXPECT_EQ(s.key, NamedKey::kNone);
    EXPECT_FALSE(s.shift || s.ctrl || s.alt) << s.character;
    typed.push_back(s.character);
  }
  EXPECT_EQ(typed, all);
  // The viewer's search text keeps its literal brackets around the escaped name.
  EXPECT_EQ(ParseKeyString("[" + EscapeKeyText("A+B") + "]"),
            Strokes({Char('['), Char('A'), Char('+'), Char('B'), Char(']')}));
}

}  // namespace
}  // namespace veskaro::platform
