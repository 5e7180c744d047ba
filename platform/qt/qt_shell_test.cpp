#include "platform/qt/qt_shell.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/qt/qt_message_boxes.h"

namespace veskaro::platform {
namespace {

TEST(QtShellTest, ChosenHostFolderBecomesADriveZPath) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkpath("Driver Backup"));
  QString asked_title;
  QString answer = dir.path() + "/Driver Backup";
  QtShell shell(nullptr, [&](QWidget*, const QString& title) {
    asked_title = title;
    return answer;
  });

  std::string expected = "Z:" + QDir(dir.path()).canonicalPath().toStdString() + "/Driver Backup";
  for (char& c : expected) c = c == '/' ? '\\' : c;
  EXPECT_EQ(shell.BrowseForFolder("Pick \x93here\x94"), expected);
  EXPECT_EQ(asked_title, QString::fromUtf8("Pick “here”"));

  answer = "/";
  EXPECT_EQ(shell.BrowseForFolder("t"), "Z:\\");
  answer.clear();  // cancelled
  EXPECT_EQ(shell.BrowseForFolder("t"), "");
  answer = dir.path() + "/gone";  // no such folder
  EXPECT_EQ(shell.BrowseForFolder("t"), "");
}

TEST(QtShellTest, LinksAreDecodedAndHandedOn) {
  std::vector<QUrl> opened;
  QtShell shell(nullptr, {}, [&](const QUrl& url) { opened.push_back(url); });
  shell.OpenLink("mailto:team@veskaro.example.org");
  shell.OpenLink("http://www.veskaro.example.org/computers/webmaster/");
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].scheme(), "mailto");
  EXPECT_EQ(opened[0].path(), "team@veskaro.example.org");
  EXPECT_EQ(opened[1].host(), "www.veskaro.example.org");
  EXPECT_EQ(opened[1].path(), "/computers/webmaster/");
}

TEST(QtMessageBoxesTest, TextLinesAndCodePage) {
  EXPECT_EQ(MessageText("The destination drive is full.\r\nDo you wish to continue?"),
            "The destination drive is full.\nDo you wish to continue?");
  EXPECT_EQ(MessageText("a\rb \x80"), QString::fromUtf8("a\nb €"));
}

}  // namespace
}  // namespace veskaro::platform
