// End-to-end tests: veskaro-cli run on the bundled sample installation. The expected
// rows are the ones worked out by hand in samples/win98/README.md.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"

namespace {

namespace fs = std::filesystem;
using veskaro::cli_test::CliCommand;
using veskaro::cli_test::Quote;
using veskaro::cli_test::Result;
using veskaro::cli_test::RunShell;
using veskaro::cli_test::Slurp;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(VESKARO_TEST_SCRATCH) /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
  }

  Result Run(const std::vector<std::string>& args) {
    return RunShell(CliCommand(args), scratch_ / "stderr.txt");
  }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The List1 column of "files" output (up to the "--" line).
  static std::vector<std::string> Paths(const std::string& out) {
    std::vector<std::string> paths;
    for (const auto& line : Lines(out)) {
      if (line == "--") break;
      paths.push_back(line.substr(0, line.find('\t')));
    }
    return paths;
  }

  fs::path scratch_;
};

const char kBackUp[] = "Device driver should be backed up as it isn't installed with Windows.";
const char kWindows[] = "Device driver is installed with Windows and doesnt need to be backed up.";

TEST_F(CliTest, ClassesAndEntriesOfTheSample) {
  Result r = Run({"classes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Default\tDefault|||Modem\n"
            "Fixed disk controllers\tFixed disk controllers|||hdc\n"
            "Multimedia and game devices\tMultimedia and game devices|||MEDIA\n"
            "Network interface adapters\tNetwork interface adapters|||Net\n"
            "Scanners and cameras\tScanners and cameras|||Image\n"
            "Serial and parallel ports (COM & LPT)\tSerial and parallel ports (COM & LPT)|||Ports\n"
            "Video display adapters\tVideo display adapters|||Display\n");
  EXPECT_EQ(r.err, "");

  r = Run({"entries", "media"});  // class key in any case
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Halvorsen SoundStage 64 Wavetable\tHalvorsen SoundStage 64|||MEDIA\\0001\n"
            "Ostrava Gameport Joystick\tOstrava Gameport Joystick|||MEDIA\\0002\n"
            "Zentara Audio 16/32\tZentara Audio 16/32|||MEDIA\\0000\n");

  r = Run({"entries", "Serial and parallel ports (COM & LPT)"});  // shown row
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out).size(), 2u);  // the duplicate DriverDesc is dropped
}

TEST_F(CliTest, FilesOfCompleteAnalyses) {
  Result r = Run({"files", "MEDIA", "0000"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Paths(r.out), (std::vector<std::string>{
                              "C:\\WINDOWS\\INF\\OTHER\\ZENAUDIO.INF",
                              "C:\\WINDOWS\\SYSTEM\\zenaud.sys", "C:\\WINDOWS\\SYSTEM\\zenwave.drv",
                              "C:\\WINDOWS\\SYSTEM\\zenmidi.drv",
                              "C:\\WINDOWS\\SYSTEM\\VMM32\\zenaud.vxd",
                              "C:\\WINDOWS\\SYSTEM\\zenmix.cpl", "C:\\WINDOWS\\SYSTEM\\zenold.drv"}));
  EXPECT_NE(r.out.find("C:\\WINDOWS\\SYSTEM\\zenaud.sys\tC:\\WINDOWS\\SYSTEM\\zenaud.sys||Zentara "
                       "Audio 16/32\n"),
            std::string::npos);
  EXPECT_NE(r.out.find(std::string("--\n") + kBackUp + "\n\nTotal Files - 7\n"), std::string::npos);

  // A short "~" InfPath: the INF row carries the vendor-disk name.
  r = Run({"files", "MEDIA", "Halvorsen SoundStage 64 Wavetable"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out)[0],
            "C:\\WINDOWS\\INF\\OTHER\\Halvorsen AudioHVSND.INF\tC:\\WINDOWS\\INF\\OTHER\\Halvorsen "
            "AudioHVSND.INF||Halvorsen SoundStage 64 Wavetable||hvsnd.inf");
  EXPECT_EQ(Paths(r.out).size(), 6u);

  // Pass 2 adds the missing sources, stored under their vendor-disk names.
  r = Run({"files", "Net", "0000"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto paths = Paths(r.out);
  ASSERT_EQ(paths.size(), 6u);
  EXPECT_EQ(paths[4], "C:\\WINDOWS\\SYSTEM\\Brisa\\Diag\\brfdiag.exe");
  EXPECT_NE(r.out.find("brfcfg.exe||Brisa FastLink PCI Ethernet Adapter||brfsetup.exe\n"),
            std::string::npos);
  EXPECT_EQ(r.out.find("brfmon"), std::string::npos);

  // The INF in both folders: INF\ wins. A Windows driver says so.
  r = Run({"files", "hdc", "0000"});
  EXPECT_EQ(Paths(r.out)[0], "C:\\WINDOWS\\INF\\FERRIDE.INF");
  EXPECT_NE(r.out.find(std::string(kWindows) + "\n\nTotal Files - 3\n"), std::string::npos);

  // CR-only line ends.
  r = Run({"files", "Display", "0001"});
  EXPECT_EQ(Paths(r.out).size(), 8u);
  EXPECT_NE(r.out.find("Total Files - 8\n"), std::string::npos);
}

TEST_F(CliTest, EarlyEndsAndTheirMessages) {
  Result r = Run({"files", "hdc", "0001"});
  ASSERT_EQ(r.status, 5);  // an error message was shown
  EXPECT_EQ(r.err, "veskaro: Veskaro: Unrecognized File Destination Number 99\n");
  EXPECT_EQ(Paths(r.out), (std::vector<std::string>{"C:\\WINDOWS\\INF\\TRAYIDE.INF"}));
  EXPECT_NE(r.out.find("Total Files - 1\n"), std::string::npos);

  r = Run({"files", "Net", "0002"});
  ASSERT_EQ(r.status, 5);
  EXPECT_EQ(r.err, "veskaro: Veskaro: Couldnt Locate INF File\n");
  EXPECT_EQ(r.out, "--\n\n");

  r = Run({"files", "Image", "0000"});  // ends silently; the count is not updated
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Paths(r.out).size(), 6u);
  EXPECT_NE(r.out.find("Total Files - 1\n"), std::string::npos);

  r = Run({"files", "Modem", "0001"});  // no CopyFiles
  EXPECT_EQ(Paths(r.out), (std::vector<std::string>{"C:\\WINDOWS\\INF\\MDMPLAIN.INF"}));
}

// A driver's INF saved with LF alone, with CR LF and LF mixed, or with its section
// headers in other letter case lists the same files as the sample's CR LF original.
TEST_F(CliTest, LineEndsAndHeaderCaseReadAlike) {
  const Result plain = Run({"files", "MEDIA", "0000"});
  ASSERT_EQ(Paths(plain.out).size(), 7u);
  const std::string original =
      Slurp(fs::path(VESKARO_SAMPLE_DIR) / "drive_c/WINDOWS/INF/OTHER/ZENAUDIO.INF");
  auto replace_all = [](std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
      text.replace(at, from.size(), to);
    }
    return text;
  };
  std::string mixed = original;  // every other line ends with LF alone
  bool lf = false;
  for (std::size_t at = 0; (at = mixed.find("\r\n", at)) != std::string::npos; lf = !lf) {
    if (lf) mixed.erase(at, 1);
    at += lf ? 1 : 2;
  }
  std::string headers = original;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"[ZenAudio.Install]", "[ZENAUDIO.INSTALL]"},
           {"[ZenAudio.Sys]", "[zenaudio.sys]"},
           {"[DestinationDirs]", "[destinationDIRS]"},
           {"[SourceDisksFiles]", "[SOURCEDISKSFILES]"}}) {
    ASSERT_NE(headers.find(from), std::string::npos) << from;
    headers = replace_all(headers, from, to);
  }
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"lf", replace_all(original, "\r\n", "\n")}, {"mixed", mixed}, {"headers", headers}};
  for (const auto& [name, text] : variants) {
    const fs::path root = scratch_ / name;
    fs::create_directories(root);
    fs::copy(fs::path(VESKARO_SAMPLE_DIR) / "drive_c", root, fs::copy_options::recursive);
    std::ofstream(root / "WINDOWS/INF/OTHER/ZENAUDIO.INF", std::ios::binary) << text;
    const Result r = Run({"--root", root.string(), "files", "MEDIA", "0000"});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(r.out, plain.out) << name;
  }
}

TEST_F(CliTest, UsageAndLookupErrors) {
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"frobnicate"}).status, 2);
  EXPECT_EQ(Run({"files", "MEDIA"}).status, 2);
  EXPECT_EQ(Run({"--answer", "maybe", "classes"}).status, 2);
  EXPECT_EQ(Run({"copy", "MEDIA", "0000"}).status, 2);  // no --to
  Result r = Run({"entries", "Legacy"});                  // not listed (NoUseClass)
  EXPECT_EQ(r.status, 4);
  r = Run({"files", "MEDIA", "0003"});  // no DriverDesc: not listed
  EXPECT_EQ(r.status, 4);
  r = Run({"--root", (scratch_ / "nowhere").string(), "classes"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("nowhere"), std::string::npos);
  r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Exit status"), std::string::npos);
  r = Run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "veskaro-cli " VESKARO_VERSION "\n");
}

TEST_F(CliTest, GatherListsEveryDriverNotShippedWithWindows) {
  Result first = Run({"gather"});
  ASSERT_EQ(first.status, 5) << first.err;  // two entries showed an error message
  const auto lines = Lines(first.out);
  const std::vector<std::string> gathered(lines.begin(), lines.begin() + 9);
  EXPECT_EQ(gathered, (std::vector<std::string>{
                          "Garrow 56K Voice Modem", "Tandem-Ray UltraIDE Controller",
                          "Halvorsen SoundStage 64 Wavetable", "Zentara Audio 16/32",
                          "Brisa FastLink PCI Ethernet Adapter",
                          "Quillon QN-16 ISA Ethernet Adapter", "Lumora ScanMate 600",
                          "Pellucid ProView 2000", "--"}));
  EXPECT_EQ(lines.size(), 9u + 40u + 1u + 3u);
  EXPECT_EQ(lines.back(), "Total Files - 40");
  EXPECT_EQ(first.err,
            "veskaro: Veskaro: Unrecognized File Destination Number 99\n"
            "veskaro: Veskaro: Couldnt Locate INF File\n");
  EXPECT_EQ(Run({"gather"}).out, first.out);
}

// Every file below `root`, relative, with its contents.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) tree[fs::relative(e.path(), root).string()] = Slurp(e.path());
  }
  return tree;
}

TEST_F(CliTest, CopyWritesOneFolderPerDriverAndNothingElse) {
  const fs::path sample = fs::path(VESKARO_SAMPLE_DIR);
  const auto before = Tree(sample);
  const fs::path out = scratch_ / "out";
  fs::create_directories(out);

  Result r = Run({"copy", "MEDIA", "0000", "--to", out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "veskaro: Copying Files: Files Copied Successfully\n"
            "veskaro-cli: files copied: 7, driver folders written: 1, failures: 0\n");
  auto tree = Tree(out);
  EXPECT_EQ(tree.size(), 7u);
  EXPECT_EQ(tree["Zentara Audio 16_32/zenaud.sys"], Slurp(sample / "drive_c/WINDOWS/SYSTEM/ZENAUD.SYS"));

  r = Run({"gather", "--copy-to", out.string()});
  ASSERT_EQ(r.status, 5) << r.err;  // the gather showed two error messages
  EXPECT_NE(r.err.find("veskaro: Copying Files: Files Copied Successfully\n"
                       "veskaro-cli: files copied: 40, driver folders written: 7, failures: 0\n"),
            std::string::npos);
  tree = Tree(out);
  std::set<std::string> folders;
  for (const auto& [path, contents] : tree) {
    EXPECT_NE(path.find('/'), std::string::npos) << path << " lies outside a driver folder";
    folders.insert(path.substr(0, path.find('/')));
  }
  EXPECT_EQ(folders, (std::set<std::string>{"Brisa FastLink PCI Ethernet Adapter",
                                            "Garrow 56K Voice Modem",
                                            "Halvorsen SoundStage 64 Wavetable",
                                            "Lumora ScanMate 600", "Pellucid ProView 2000",
                                            "Tandem-Ray UltraIDE Controller",
                                            "Zentara Audio 16_32"}));
  EXPECT_TRUE(tree.count("Halvorsen SoundStage 64 Wavetable/hvsnd.inf"));
  EXPECT_TRUE(tree.count("Brisa FastLink PCI Ethernet Adapter/brf95.vxd"));
  EXPECT_TRUE(tree.count("Brisa FastLink PCI Ethernet Adapter/brfsetup.exe"));
  for (const auto& [path, contents] : tree) EXPECT_FALSE(contents.empty()) << path;
  // The installation is read, never written.
  EXPECT_EQ(Tree(sample), before);

  // A target that is not a folder: the copy reports the path and copies nothing.
  r = Run({"copy", "MEDIA", "0000", "--to", (scratch_ / "missing").string()});
  EXPECT_EQ(r.status, 2);
}

}  // namespace
