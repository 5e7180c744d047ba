#include "platform/qt/qt_shell.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
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
  QString asked_start;
  QtShell shell(nullptr, [&](QWidget*, const QString& title, const QString& start) {
    asked_title = title;
    asked_start = start;
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
  EXPECT_EQ(asked_start, QDir::homePath());  // nowhere to remember the last folder
}

TEST(QtShellTest, PickerStartsInTheFolderChosenLastTime) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkpath("backup"));
  const QString backup = QDir(dir.path() + "/backup").canonicalPath();
  QSettings settings(dir.path() + "/veskaro.conf", QSettings::IniFormat);
  QStringList starts;
  QString answer = backup;
  QtShell shell(nullptr, [&](QWidget*, const QString&, const QString& start) {
    starts << start;
    return answer;
  });
  shell.set_settings(&settings);
  EXPECT_FALSE(shell.BrowseForFolder("t").empty());
  answer.clear();  // a cancel forgets nothing
  EXPECT_EQ(shell.BrowseForFolder("t"), "");
  // Another session with the same settings file.
  settings.sync();
  QSettings reread(dir.path() + "/veskaro.conf", QSettings::IniFormat);
  shell.set_settings(&reread);
  EXPECT_EQ(shell.BrowseForFolder("t"), "");
  // A remembered folder that is gone starts at home again.
  ASSERT_TRUE(QDir(backup).removeRecursively());
  EXPECT_EQ(shell.BrowseForFolder("t"), "");
  EXPECT_EQ(starts, QStringList({QDir::homePath(), backup, backup, QDir::homePath()}));
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
