// veskaro-cli on the disk images of the bundled sample (testing/make_disk_images.sh):
// every command answers exactly as with --root on the folder the images were made
// from, in every format and partition layout; copies are the same byte for byte, and
// the image is never written.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"

namespace veskaro::cli_test {
namespace {

std::string Image(const std::string& name) { return std::string(VESKARO_TEST_IMAGES) + "/" + name; }

// Checks that every host place of `image_side` (a report read from `image`) names the
// image and, inside it, the file that `folder_side` (the same report read from the
// folder `folder`) names on the host; then drops the places from both.
void MatchPlaces(nlohmann::json& folder_side, nlohmann::json& image_side, const fs::path& folder,
                 const std::string& image) {
  if (folder_side.is_array() && image_side.is_array() && folder_side.size() == image_side.size()) {
    for (std::size_t i = 0; i < folder_side.size(); ++i)
      MatchPlaces(folder_side[i], image_side[i], folder, image);
  }
  if (!folder_side.is_object() || !image_side.is_object()) return;
  if (folder_side.contains("host_path")) {
    const nlohmann::json& host = folder_side["host_path"];
    if (host.is_null()) {
      EXPECT_TRUE(image_side["host_path"].is_null());
    } else {
      std::string rel = fs::relative(host.get<std::string>(), folder).string();
      rel = rel == "." ? "" : rel;
      std::replace(rel.begin(), rel.end(), '/', '\\');
      std::string inside = image_side.value("inside_image", "");
      if (inside.starts_with("partition ")) inside.erase(0, inside.find(':') + 1);
      EXPECT_EQ(image_side["host_path"], image);
      EXPECT_EQ(inside, "\\" + rel);
    }
    folder_side.erase("host_path");
    image_side.erase("host_path");
    image_side.erase("inside_image");
  }
  for (auto& [key, value] : folder_side.items()) {
    if (image_side.contains(key)) MatchPlaces(value, image_side[key], folder, image);
  }
}

class ImageCliTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ImageCliTest, AnswersAsTheFolderItWasMadeFrom) {
  const fs::path scratch = Scratch();
  const fs::path cwd = scratch / "cwd";
  fs::create_directories(cwd);
  const std::string image = Image(GetParam());
  const std::uint64_t before = Hash(Slurp(image));
  const std::string folder = (fs::path(VESKARO_SAMPLE_DIR) / "drive_c").string();

  for (const std::string side : {"folder", "image"}) fs::create_directories(scratch / side);
  const std::vector<std::vector<std::string>> commands = {
      {"entries", "MEDIA"},
      {"files", "Net", "0000"},
      {"gather", "--copy-to", "OUT"},  // every class, entry and file list
      {"--answer", "yes", "copy", "Image", "0001", "--to", "OUT"},
  };
  for (std::vector<std::string> args : commands) {
    std::vector<std::string> on_folder = {"--root", folder};
    std::vector<std::string> on_image = {"--image", image};
    for (const std::string& arg : args) {
      on_folder.push_back(arg == "OUT" ? (scratch / "folder").string() : arg);
      on_image.push_back(arg == "OUT" ? (scratch / "image").string() : arg);
    }
    const Result expected = RunCli(on_folder, cwd);
    const Result got = RunCli(on_image, cwd);
    EXPECT_EQ(got.status, expected.status) << args[0];
    EXPECT_EQ(got.out, expected.out) << args[0];
    EXPECT_EQ(got.err, expected.err) << args[0];
  }
  // The report says the same; its host places are the image and the paths inside it.
  const Result folder_report = RunCli({"--root", folder, "report", "--json"}, cwd);
  const Result image_report = RunCli({"--image", image, "report", "--json"}, cwd);
  EXPECT_EQ(image_report.status, folder_report.status);
  nlohmann::json folder_side = nlohmann::json::parse(folder_report.out);
  nlohmann::json image_side = nlohmann::json::parse(image_report.out);
  MatchPlaces(folder_side, image_side, fs::canonical(folder), image);
  EXPECT_EQ(image_side, folder_side);

  EXPECT_GT(Files(scratch / "folder").size(), 20u);
  EXPECT_EQ(Files(scratch / "image"), Files(scratch / "folder"));
  EXPECT_EQ(Hash(Slurp(image)), before) << "the image changed";
  EXPECT_TRUE(fs::is_empty(cwd));
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageCliTest,
                         ::testing::Values("sample-fat16.img", "sample-fat32.img",
                                           "sample-logical.img", "sample-fat32.vhd",
                                           "sample-fat32.vmdk", "sample-fat32.qcow2"));

TEST(ImageOptionsTest, PartitionsAreChosenOrAskedFor) {
  const fs::path cwd = Scratch();
  const std::string image = Image("two-windows.img");
  Result r = RunCli({"--image", image, "classes"}, cwd);
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "veskaro-cli: The disk image " + image +
                       " holds Windows on several partitions: 1 (FAT16, 16.0 MB, label FIRST), 2 "
                       "(FAT16, 17.0 MB, label SECOND). Choose the one that is drive C: with "
                       "--partition N.\n");
  const Result folder = RunCli({"classes"}, cwd);
  r = RunCli({"--image", image, "--partition", "2", "classes"}, cwd);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, folder.out);
  r = RunCli({"--image", image, "--partition", "5", "classes"}, cwd);
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("has no FAT partition 5. Its FAT partitions: 1 (FAT16"), std::string::npos)
      << r.err;

  EXPECT_EQ(RunCli({"--root", "/", "--image", image, "classes"}, cwd).status, 2);
  EXPECT_EQ(RunCli({"--partition", "1", "classes"}, cwd).status, 2);
  EXPECT_EQ(RunCli({"--image", image, "--partition", "x", "classes"}, cwd).status, 2);
}

// Each damaged image ends the program with exit status 3 and one line that names
// the image and what is wrong.
TEST(BadImagesTest, EndCleanlySayingWhatIsWrong) {
  const fs::path cwd = Scratch();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"bad-truncated.img",
       " is cut short: partition 1 (FAT32) ends 48.0 MB into the disk, but "
       "the image holds only 8.0 MB."},
      {"bad-fat-loop.img", ": SYSTEM.DAT: its cluster chain ends before the end of the file"},
      {"bad-fat-beyond.img", ": SYSTEM.DAT: its cluster chain ends before the end of the file"},
      {"bad-folder-loop.img",
       " is damaged: on partition 1, the folder \\WINDOWS\\SYSTEM\\VIEWERS "
       "contains itself (it is stored where \\WINDOWS is)."},
      {"bad-ebr-loop.img",
       " is damaged: the chain of its extended partition's tables loops "
       "back (at sector 6145)."},
      {"bad-garbage.img", " has no FAT volume that can be read (partition 1: "},
      {"bad-table.vhd", " is damaged: its first sector cannot be read ("},
      {"bad-table.vmdk", " is damaged: its first sector cannot be read ("},
      {"bad-table.qcow2", " is damaged: its first sector cannot be read ("},
      {"renamed/win98.vmdk",
       " keeps its data under the name it was made with, "
       "sample-fat32.vmdk, and no such file is beside it."},
  };
  for (const auto& [name, what] : cases) {
    const std::string image = Image(name);
    const Result r = RunCli({"--image", image, "gather"}, cwd);
    EXPECT_EQ(r.status, 3) << name << ": " << r.err;
    EXPECT_EQ(r.out, "") << name;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << name << ": " << r.err;
    EXPECT_NE(r.err.find(image), std::string::npos) << name << ": " << r.err;
    EXPECT_NE(r.err.find(what), std::string::npos) << name << ": " << r.err;
  }
}

}  // namespace
}  // namespace veskaro::cli_test
