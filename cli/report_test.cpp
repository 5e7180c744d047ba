// `veskaro-cli report` on the bundled sample, checked against the outcomes worked
// out by hand in samples/win98/README.md ("Report"), the JSON form parsed back; and
// on an installation that lacks files its INFs name.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"

namespace veskaro::cli_test {
namespace {

using nlohmann::json;

// One line per entry: class key\entry key, how the analysis ended (and its
// detail), the number of files, whether it shipped with Windows, and the files
// not found ("name@path", "name@" without a destination).
std::vector<std::string> Outcomes(const json& report) {
  std::vector<std::string> lines;
  for (const json& e : report.at("entries")) {
    const json& outcome = e.at("outcome");
    std::string line = e.at("class").at("key").get<std::string>() + "\\" +
                       e.at("entry_key").get<std::string>() + " " +
                       outcome.at("end").get<std::string>();
    if (outcome.contains("destination_number"))
      line += " " + outcome["destination_number"].get<std::string>();
    if (outcome.contains("list")) line += " " + outcome["list"].get<std::string>();
    line += " files=" + std::to_string(e.at("files").size());
    line += e.at("shipped_with_windows").get<bool>() ? " windows" : " backup";
    for (const json& f : e.at("not_found")) {
      line += " " + f.at("file").get<std::string>() + "@" +
              (f.at("windows_path").is_null() ? "" : f["windows_path"].get<std::string>());
    }
    lines.push_back(line);
  }
  return lines;
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = Scratch();
    cwd_ = scratch_ / "cwd";
    fs::create_directories(cwd_);
  }
  fs::path scratch_, cwd_;
};

TEST_F(ReportTest, SampleOutcomesAsWorkedOutByHand) {
  const fs::path root = fs::canonical(fs::path(VESKARO_SAMPLE_DIR) / "drive_c");
  const Result r = RunCli({"report", "--json"}, cwd_);
  // The analyses show their messages as in the window: done, with status 5.
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(r.err,
            "veskaro: Veskaro: Unrecognized File Destination Number 99\n"
            "veskaro: Veskaro: Couldnt Locate INF File\n");
  const json report = json::parse(r.out);
  EXPECT_EQ(report.at("installation").at("host_path"), root.string());
  EXPECT_EQ(report.at("installation").at("windows_folder"), "C:\\WINDOWS");
  EXPECT_EQ(Outcomes(report),
            (std::vector<std::string>{
                "Modem\\0000 complete files=6 backup",
                "Modem\\0001 no_copy_files files=1 windows",
                "hdc\\0000 complete files=3 windows",
                "hdc\\0001 unrecognised_destination_number 99 files=1 backup",
                "MEDIA\\0001 complete files=6 backup",
                "MEDIA\\0002 complete files=4 windows",
                "MEDIA\\0000 complete files=7 backup",
                "Net\\0000 complete files=6 backup",
                "Net\\0001 no_copy_files files=1 windows",
                "Net\\0002 inf_not_located files=0 backup",
                "Image\\0000 list_without_destination Lum.Driver files=6 backup lumscan.vxd@",
                "Ports\\0002 complete files=2 windows",
                "Ports\\0000 complete files=3 windows",
                "Display\\0000 complete files=4 windows korvdd.dll@C:\\WINDOWS\\SYSTEM\\korvdd.dll",
                "Display\\0001 complete files=8 backup",
            }));
  EXPECT_EQ(report.at("summary"),
            json::parse(R"({"entries": 15, "complete": 12, "ended_early": 3, "files": 58,
                            "not_found": 2})"));

  // An entry in full: its INF by a short alias, stored under its vendor-disk name.
  const json& halvorsen = report.at("entries").at(4);
  EXPECT_EQ(halvorsen.at("description"), "Halvorsen SoundStage 64 Wavetable");
  EXPECT_EQ(halvorsen.at("driver_desc"), "Halvorsen SoundStage 64");
  EXPECT_EQ(halvorsen.at("matching_device_id"), "ISAPNP\\HVS0064");
  EXPECT_EQ(halvorsen.at("inf"),
            json({{"registry", "HALVOR~1.INF"},
                  {"located", true},
                  {"windows_path", "C:\\WINDOWS\\INF\\OTHER\\Halvorsen AudioHVSND.INF"},
                  {"host_path", (root / "WINDOWS/INF/OTHER/Halvorsen AudioHVSND.INF").string()}}));
  EXPECT_EQ(halvorsen.at("install_section"), "SoundStage.Install");
  EXPECT_EQ(halvorsen.at("files").at(0).at("stored_name"), "hvsnd.inf");
  // A file named in lower case is found in its stored spelling on the host.
  const json& zentara_sys = report.at("entries").at(6).at("files").at(1);
  EXPECT_EQ(zentara_sys.at("windows_path"), "C:\\WINDOWS\\SYSTEM\\zenaud.sys");
  EXPECT_EQ(zentara_sys.at("host_path"), (root / "WINDOWS/SYSTEM/ZENAUD.SYS").string());
  EXPECT_EQ(zentara_sys.at("stored_name"), "zenaud.sys");
  EXPECT_EQ(report.at("entries").at(6).at("driver_folder"), "Zentara Audio 16_32");
  const json& quillon = report.at("entries").at(9);
  EXPECT_EQ(quillon.at("inf"), json({{"registry", "QUILNE2.INF"}, {"located", false}}));

  // The table says the same.
  const Result text = RunCli({"report"}, cwd_);
  EXPECT_EQ(text.status, 5);
  EXPECT_NE(text.out.find("Installation: " + root.string() + " (Windows folder C:\\WINDOWS)\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("\nFixed disk controllers (hdc) / Tandem-Ray UltraIDE Controller (0001)\n"
                          "  DriverDesc            Tandem-Ray UltraIDE Controller\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("  Analysis              ended early: unrecognised destination "
                          "number 99\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("  Not found on disk     1\n    C:\\WINDOWS\\SYSTEM\\korvdd.dll\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("    lumscan.vxd (no destination)\n"), std::string::npos);
  EXPECT_TRUE(text.out.ends_with(
      "\n15 entries: 12 complete, 3 ended early; 58 files listed, 2 not found on disk\n"));
}

TEST_F(ReportTest, FilesAbsentFromDiskAreNamed) {
  const fs::path installation = CopySample(scratch_ / "sample");
  fs::remove(installation / "WINDOWS" / "SYSTEM" / "ZENWAVE.DRV");
  fs::remove(installation / "WINDOWS" / "SYSTEM" / "VMM32" / "OSTJOY.VXD");
  const Result r = RunCli({"--root", installation.string(), "report", "--json"}, cwd_);
  const json report = json::parse(r.out);
  const std::vector<std::string> outcomes = Outcomes(report);
  EXPECT_EQ(outcomes.at(5),
            "MEDIA\\0002 complete files=3 windows "
            "ostjoy.vxd@C:\\WINDOWS\\SYSTEM\\VMM32\\ostjoy.vxd");
  EXPECT_EQ(outcomes.at(6),
            "MEDIA\\0000 complete files=6 backup "
            "zenwave.drv@C:\\WINDOWS\\SYSTEM\\zenwave.drv");
  EXPECT_EQ(report.at("summary").at("not_found"), 4);
}

}  // namespace
}  // namespace veskaro::cli_test
