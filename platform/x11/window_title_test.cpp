#include "platform/x11/window_title.h"

#include <gtest/gtest.h>

namespace veskaro::platform {
namespace {

TEST(ChooseWindowByTitleTest, ExactThenBeginsThenEndsIgnoringCase) {
  const QString wanted = "Wordpad";
  // Wine's word processor names its window "<document> - Wordpad".
  EXPECT_EQ(ChooseWindowByTitle({"Terminal", "SETUP.INF - Wordpad"}, wanted), 1);
  EXPECT_EQ(ChooseWindowByTitle({"x.inf - WORDPAD", "Wordpad Help"}, wanted), 1);
  EXPECT_EQ(ChooseWindowByTitle({"Wordpad Help", "wordpad", "a - Wordpad"}, wanted), 1);
  EXPECT_EQ(ChooseWindowByTitle({"Notepad", "My Wordpad notes"}, wanted), -1);
  EXPECT_EQ(ChooseWindowByTitle({}, wanted), -1);
  EXPECT_EQ(ChooseWindowByTitle({"anything"}, ""), -1);
}

TEST(ChooseWindowByTitleTest, TopmostOfEqualRankWins) {
  EXPECT_EQ(ChooseWindowByTitle({"A.INF - Wordpad", "Editor", "B.INF - Wordpad"}, "wordpad"), 2);
  EXPECT_EQ(ChooseWindowByTitle({"Wordpad", "Wordpad 2", "wordpad"}, "Wordpad"), 2);
  // Non-ASCII letters compare without case too.
  EXPECT_EQ(ChooseWindowByTitle({QString::fromUtf8("Éditeur")}, QString::fromUtf8("éditeur")), 0);
}

}  // namespace
}  // namespace veskaro::platform
