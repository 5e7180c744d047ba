#include "platform/short_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veskaro::platform {
namespace {

using Names = std::vector<std::string>;

// The entry of `folder` that `component` names (its index), or kNoEntry.
std::size_t Match(const Names& folder, std::string_view component) {
  return MatchFolderEntryBy(
      folder.size(), [&](std::size_t i) -> const std::string& { return folder[i]; }, component);
}

TEST(ShortNameTest, RecognisesValidShortNames) {
  EXPECT_TRUE(IsShortName("WIN.INI"));
  EXPECT_TRUE(IsShortName("PROGRA~1"));
  EXPECT_TRUE(IsShortName("A"));
  EXPECT_TRUE(IsShortName("ABCDEFGH.ABC"));
  EXPECT_FALSE(IsShortName("ABCDEFGHI"));
  EXPECT_FALSE(IsShortName("A.ABCD"));
  EXPECT_FALSE(IsShortName("A.B.C"));
  EXPECT_FALSE(IsShortName("ABC."));
  EXPECT_FALSE(IsShortName(".TXT"));
  EXPECT_FALSE(IsShortName("win.ini"));
  EXPECT_FALSE(IsShortName("A B.TXT"));
  EXPECT_FALSE(IsShortName("A+B.TXT"));
  EXPECT_FALSE(IsShortName("A[1].TXT"));
  EXPECT_FALSE(IsShortName(""));
  EXPECT_TRUE(IsValidLongName("Acme Corp; Sound [1].inf"));
  EXPECT_FALSE(IsValidLongName("a:b"));
  EXPECT_FALSE(IsValidLongName(".."));
  EXPECT_FALSE(IsValidLongName("a*"));
}

TEST(ShortAliasesTest, DerivesBasisNames) {
  EXPECT_EQ(ShortAliases({"Acme Corp Sound.inf"}), Names{"ACMECO~1.INF"});
  EXPECT_EQ(ShortAliases({"Program Files"}), Names{"PROGRA~1"});
  EXPECT_EQ(ShortAliases({"my.file.name.txt"}), Names{"MYFILE~1.TXT"});
  EXPECT_EQ(ShortAliases({".profile"}), Names{"PROFIL~1"});
  EXPECT_EQ(ShortAliases({"setup.html"}), Names{"SETUP~1.HTM"});
  EXPECT_EQ(ShortAliases({"a+b[1].txt"}), Names{"A_B_1_~1.TXT"});
  EXPECT_EQ(ShortAliases({"x=y;z,w.inf"}), Names{"X_Y_Z_~1.INF"});
  EXPECT_EQ(ShortAliases({"ab c.d"}), Names{"ABC~1.D"});
  EXPECT_EQ(ShortAliases({". ."}), Names{""});
}

TEST(ShortAliasesTest, ShortNamesAreTheirOwnAlias) {
  EXPECT_EQ(ShortAliases({"readme.txt", "WIN.INI", "caf\xE9.txt"}),
            (Names{"README.TXT", "WIN.INI", "CAF\xC9.TXT"}));
  // A stored short name takes its alias away from a long name.
  EXPECT_EQ(ShortAliases({"Program Files", "PROGRA~1"}), (Names{"PROGRA~2", "PROGRA~1"}));
}

TEST(ShortAliasesTest, NumbersCollidingNamesInNameOrder) {
  // Same basis: the tails follow case-insensitive name order, not the given order.
  EXPECT_EQ(ShortAliases({"Program Files", "program data", "Windows"}),
            (Names{"PROGRA~2", "PROGRA~1", "WINDOWS"}));
  // Different extensions are different bases.
  EXPECT_EQ(ShortAliases({"Acme Corp Sound.inf", "Acme Corp Sound.pnf"}),
            (Names{"ACMECO~1.INF", "ACMECO~1.PNF"}));
  // From ~10 on the primary part gives up one more character.
  Names names;
  for (int i = 1; i <= 11; ++i)
    names.push_back("Driver Disk " + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".inf");
  const Names aliases = ShortAliases(names);
  EXPECT_EQ(aliases[0], "DRIVER~1.INF");
  EXPECT_EQ(aliases[8], "DRIVER~9.INF");
  EXPECT_EQ(aliases[9], "DRIVE~10.INF");
  EXPECT_EQ(aliases[10], "DRIVE~11.INF");
}

TEST(ShortAliasesTest, ResolvesAliasesToStoredNames) {
  const Names folder = {"Program Files", "program data", "Windows", "readme.txt"};
  EXPECT_EQ(Match(folder, "progra~2"), 0u);
  EXPECT_EQ(Match(folder, "PROGRA~1"), 1u);
  EXPECT_EQ(Match(folder, "README.TXT"), 3u);
  EXPECT_EQ(Match(folder, "PROGRA~3"), kNoEntry);
  EXPECT_EQ(Match(folder, ""), kNoEntry);
}

TEST(MatchFolderEntryTest, ExactThenCaseThenAlias) {
  const Names folder = {"foo", "FOO", "Acme Corp Sound.inf", "ACMECO~2.INF"};
  EXPECT_EQ(Match(folder, "FOO"), 1u);
  EXPECT_EQ(Match(folder, "foo"), 0u);
  // Names that differ only in case: the upper-case spelling, then the lower-case one.
  EXPECT_EQ(Match(folder, "Foo"), 1u);
  EXPECT_EQ(Match({"foo", "Foo", "FOo"}, "fOO"), 0u);
  EXPECT_EQ(Match({"Foo", "FOo"}, "fOO"), 0u);
  EXPECT_EQ(Match(folder, "acmeco~1.inf"), 2u);
  EXPECT_EQ(Match(folder, "acmeco~2.inf"), 3u);  // a real name beats an alias
  EXPECT_EQ(Match(folder, "ACMECO~3.INF"), kNoEntry);
  EXPECT_EQ(Match({"readme.txt"}, "README.TXT"), 0u);
  EXPECT_EQ(Match(folder, ""), kNoEntry);
}

TEST(WildcardTest, MatchesLikeADirectorySearch) {
  EXPECT_TRUE(MatchesWildcard("*.inf", "NET.INF"));
  EXPECT_FALSE(MatchesWildcard("*.inf", "NET.INFX"));
  EXPECT_TRUE(MatchesWildcard("n?t.*", "Net.inf"));
  EXPECT_FALSE(MatchesWildcard("n?t.inf", "nt.inf"));
  EXPECT_TRUE(MatchesWildcard("*.*", "README"));
  EXPECT_TRUE(MatchesWildcard("readme.*", "README"));
  EXPECT_TRUE(MatchesWildcard("a*b*c", "aXbYbZc"));
  EXPECT_FALSE(MatchesWildcard("a*b*c", "aXbYbZ"));
  EXPECT_TRUE(MatchesWildcard("*", ""));
  EXPECT_FALSE(MatchesWildcard("?", ""));
  EXPECT_TRUE(HasWildcard("a?"));
  EXPECT_FALSE(HasWildcard("abc"));
}

TEST(ParseWindowsPathTest, SplitsAndNormalises) {
  WindowsPath path;
  ASSERT_TRUE(ParseWindowsPath("c:\\a\\\\b\\.\\..\\c/d\\", &path));
  EXPECT_EQ(path.drive, 'C');
  EXPECT_EQ(path.components, (Names{"a", "c", "d"}));
  EXPECT_TRUE(path.trailing_separator);

  ASSERT_TRUE(ParseWindowsPath("Z:", &path));
  EXPECT_TRUE(path.components.empty());
  EXPECT_FALSE(path.trailing_separator);
  ASSERT_TRUE(ParseWindowsPath("C:\\..\\..\\x", &path));
  EXPECT_EQ(path.components, Names{"x"});

  EXPECT_FALSE(ParseWindowsPath("\\\\server\\share", &path));
  EXPECT_FALSE(ParseWindowsPath("WINDOWS\\INF", &path));
  EXPECT_FALSE(ParseWindowsPath("1:\\x", &path));
  EXPECT_FALSE(ParseWindowsPath(std::string("C:\\a\0b", 6), &path));
}

}  // namespace
}  // namespace veskaro::platform
