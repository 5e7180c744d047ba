#include "drivers/destinations.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "platform/memory_file_system.h"

namespace veskaro::drivers {
namespace {

TEST(BasicValTest, ReadsLikeBasic) {
  const std::pair<const char*, double> cases[] = {
      {" 1 2 3", 123}, {"\t\n 42", 42}, {"- 3", -3},        {"+7", 7},      {"11,drivers", 11},
      {"11.0", 11},    {".5", 0.5},     {"-11.5e1", -115},  {"1.5D2", 150}, {"25E-1", 2.5},
      {"3e", 3},       {"&H1F", 31},    {"&h1fz", 31},      {"&O17", 15},   {"&17", 15},
      {"&O18", 1},     {"&HFFFF", -1},  {"&H10000", 65536}, {"abc", 0},     {"", 0},
      {"-", 0},        {".", 0},        {"e5", 0},          {"&Hz", 0},     {"--1", 0},
      {"1e-400", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(BasicVal(text), value) << text;
  EXPECT_TRUE(std::isinf(BasicVal("1e400")));
  EXPECT_TRUE(std::isinf(BasicVal("-1e99999999999999999999")));
}

TEST(BasicNumberTextTest, WritesNumbers) {
  const std::pair<double, const char*> cases[] = {
      {99, "99"},       {-0.0, "0"},        {-5, "-5"},
      {-0.25, "-0.25"}, {0.1 + 0.2, "0.3"}, {123456789012345, "123456789012345"},
      {1e15, "1E+15"},  {1e-5, "1E-05"}};
  for (const auto& [n, text] : cases) EXPECT_EQ(BasicNumberText(n), text) << n;
  EXPECT_EQ(BasicNumberText(BasicVal("1e400")), "1.#INF");
}

TEST(FolderForNumberTest, KnownNumbersOnly) {
  std::set<int> known;
  for (int n = -1; n <= 40; ++n) {
    if (FolderForNumber(n, "C:\\WINDOWS\\")) known.insert(n);
  }
  EXPECT_EQ(known, (std::set<int>{10, 11, 12, 13, 17, 18, 20, 21, 22, 23, 24, 25, 26, 30}));
  EXPECT_EQ(FolderForNumber(22, "C:\\WINDOWS\\"), "C:\\WINDOWS\\SYSTEM\\VMM32\\");
}

class ResolveTest : public ::testing::Test {
 protected:
  ResolvedDestinations Resolve(std::string_view dirs) {
    fs.AddFile("C:\\WINDOWS\\INF\\DRV.INF", "[DestinationDirs]\r\n" + std::string(dirs));
    return ResolveDestinations(fs, "C:\\WINDOWS\\INF\\DRV.INF", "C:\\WINDOWS\\");
  }
  platform::MemoryFileSystem fs;
};

TEST_F(ResolveTest, ResolvesEveryLine) {
  EXPECT_TRUE(Resolve("").destinations.table.empty());
  const ResolvedDestinations resolved = Resolve(
      "DefaultDestDir=11\r Drv.Files = 12\rSub.Files=11,Sub\\Dir,x\rSub2.Files=10,Sub\\\r"
      "Comma.Files=10,\rRoot.Files=30\rRoot2.Files=24\rFloat.Files=11.0\rNoEquals\r"
      "defaultdestdir=10\r[Other]\rX=99\r");
  ASSERT_TRUE(resolved.ok());
  const Destinations* d = &resolved.destinations;
  EXPECT_EQ(d->table.size(), 9u);  // the line without "=" is skipped
  EXPECT_EQ(d->table[1].first + "=" + d->table[1].second,
            "Drv.Files=C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\");
  EXPECT_EQ(d->Lookup("SUB.FILES"), "C:\\WINDOWS\\SYSTEM\\Sub\\Dir\\");
  EXPECT_EQ(d->Lookup("sub2.files"), "C:\\WINDOWS\\Sub\\");
  EXPECT_EQ(d->Lookup("Comma.Files"), "C:\\WINDOWS\\\\");
  EXPECT_EQ(d->Lookup("Root.Files") + d->Lookup("Root2.Files"), "C:\\C:\\");
  EXPECT_EQ(d->Lookup("Float.Files"), "C:\\WINDOWS\\SYSTEM\\");
  EXPECT_EQ(d->Lookup("Unknown.Files"), "");
  // The first DefaultDestDir line answers a lookup; the last one is the default.
  EXPECT_EQ(d->Lookup("DefaultDestDir"), "C:\\WINDOWS\\SYSTEM\\");
  EXPECT_EQ(d->default_destination, "C:\\WINDOWS\\");
}

// The message it means is the window model's (Form1Test.UnrecognisedDestinationShowsItsNumber).
TEST_F(ResolveTest, UnrecognisedNumberEndsWithIt) {
  for (const auto& [value, shown] : std::vector<std::pair<std::string, std::string>>{
           {"99", "99"}, {"abc", "0"}, {"-14.5", "-14.5"}, {"&H1F", "31"}}) {
    const ResolvedDestinations resolved = Resolve("A=11\rB=" + value + "\rC=11\r");
    EXPECT_FALSE(resolved.ok()) << value;
    EXPECT_EQ(resolved.unrecognised_number, shown);
    EXPECT_EQ(resolved.destinations.table.size(), 1u);  // C is never reached
  }
}

}  // namespace
}  // namespace veskaro::drivers
