// The FileSystem contract (platform/file_system.h) as two typed GoogleTest suites,
// run against every implementation: the test executable of each implementation
// includes this header in one of its files and instantiates the suites, at file
// scope, with a factory of its own:
//
//   VESKARO_FILE_SYSTEM_CONTRACT(Memory, veskaro::platform::MemoryContract);
//
// A read-only implementation runs the read suite alone:
//
//   VESKARO_FILE_SYSTEM_READ_CONTRACT(Image, veskaro::platform::ImageContract);
//
// A factory is default-constructible and offers, for both suites:
//   static constexpr bool kAttributes;  // keeps Windows attributes (hidden, system)
//   void AddFile(std::string_view relative, std::string_view bytes, unsigned attributes);
//   void AddFolder(std::string_view relative, unsigned attributes);
//       entries below the root, before Files() is first called; `relative` uses
//       "\" and names in code page 1252; attributes are ContractAttribute bits
//   std::string Root();                     // the root as a Windows path, no final "\"
//   platform::FileSystem& Files();          // the file system over what was added
//   std::string Alias(std::string_view relative);  // the 8.3 alias of that entry
// and for the write suite:
//   std::string Out();                      // an empty folder to write into
//   std::set<std::string> NamesIn(std::string_view folder);  // names stored there
//   std::string FullFolder();  // a folder holding EARLIER.BIN ("earlier") on a
//                              // drive with no room left; empty: none can be made
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace veskaro::testing {

/// Windows attribute bits a factory's AddFile and AddFolder take.
enum ContractAttribute : unsigned { kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04 };

namespace contract {

using platform::FsError;
using platform::SearchKind;

inline const std::string kNetInf = "[Version]\r\nSignature=$CHICAGO$\r\n";

// Bytes that every reader must give back as stored: NUL, lone CR and LF, and more
// than any single read block.
inline std::string BinaryBytes() {
  std::string bytes("line one\r\nline\ttwo\rthree\n\0", 25);
  for (int i = 0; bytes.size() < 300 * 1024; ++i) bytes.push_back(static_cast<char>(i * 7 + 1));
  return bytes;
}

// The whole of a file read through `files` in blocks of `block` bytes; `*failed`
// tells whether it could not be opened or read.
inline std::string ReadThrough(platform::FileSystem& files, const std::string& path,
                               std::size_t block, bool* failed) {
  std::string error;
  auto source = files.OpenRead(path, &error);
  *failed = source == nullptr;
  if (!source) return error;
  std::string out;
  std::vector<char> buffer(block);
  for (;;) {
    const std::ptrdiff_t got = source->Read(buffer.data(), buffer.size(), &error);
    if (got <= 0) {
      *failed = got < 0;
      return out;
    }
    out.append(buffer.data(), static_cast<std::size_t>(got));
  }
}

// The tree every case starts from.
template <typename Factory>
void AddTree(Factory& factory) {
  factory.AddFile("WINDOWS\\INF\\Net.inf", kNetInf, 0);
  factory.AddFile("WINDOWS\\INF\\OTHER\\Acme Corp Sound.inf", "acme", 0);
  factory.AddFile("WINDOWS\\INF\\r\xE9sum\xE9.inf", "accents", 0);
  factory.AddFile("Program Files\\Acme\\acme.dll", "dll", 0);
  factory.AddFile("WILD\\one.inf", "one", 0);
  factory.AddFolder("WILD\\two.dir", 0);
  factory.AddFile("DATA.BIN", BinaryBytes(), 0);
}

}  // namespace contract

template <typename Factory>
class FileSystemReadContract : public ::testing::Test {
 protected:
  // The file system over the common tree and whatever the case added before.
  platform::FileSystem& Open() {
    contract::AddTree(factory_);
    return factory_.Files();
  }
  std::string At(std::string_view relative) {
    return factory_.Root() + "\\" + std::string(relative);
  }
  // What a directory search for `relative` below the root finds.
  std::string Find(std::string_view relative, platform::SearchKind kind) {
    return factory_.Files().FindFirst(At(relative), kind);
  }

  Factory factory_;
};

TYPED_TEST_SUITE_P(FileSystemReadContract);

TYPED_TEST_P(FileSystemReadContract, FindsNamesAsStoredIgnoringCase) {
  using contract::SearchKind;
  platform::FileSystem& files = this->Open();
  const auto find = [&](const std::string& path) {
    return files.FindFirst(path, SearchKind::kNormal);
  };
  EXPECT_EQ(find(this->At("WINDOWS\\INF\\Net.inf")), "Net.inf");
  EXPECT_EQ(find(this->At("windows\\inf\\NET.INF")), "Net.inf");
  EXPECT_EQ(find(this->At("Windows/Inf/Other/acme corp sound.INF")), "Acme Corp Sound.inf");
  EXPECT_EQ(find(this->At("WINDOWS\\\\INF\\.\\OTHER\\..\\NET.INF")), "Net.inf");
  EXPECT_EQ(find(this->At("WINDOWS\\INF\\R\xC9SUM\xC9.INF")), "r\xE9sum\xE9.inf");
  EXPECT_EQ(find(this->At("WINDOWS\\INF\\NONE.INF")), "");
  EXPECT_EQ(find(this->At("NOWHERE\\NET.INF")), "");
  EXPECT_EQ(find("WINDOWS\\INF\\NET.INF"), "");  // no drive
  EXPECT_EQ(find("Q:\\WINDOWS\\INF\\NET.INF"), "");
}

TYPED_TEST_P(FileSystemReadContract, FindsOnlyTheKindAskedFor) {
  using contract::SearchKind;
  this->Open();
  EXPECT_EQ(this->Find("WINDOWS\\INF", SearchKind::kNormal), "");
  EXPECT_EQ(this->Find("windows\\inf", SearchKind::kDirectory), "INF");
  EXPECT_EQ(this->Find("WINDOWS\\INF\\NET.INF", SearchKind::kDirectory), "");
  EXPECT_EQ(this->Find("WINDOWS\\INF\\NET.INF\\X", SearchKind::kNormal), "");
  // A path ending in "\" names a folder.
  EXPECT_EQ(this->Find("WINDOWS\\INF\\", SearchKind::kNormal), "");
  EXPECT_EQ(this->Find("windows\\inf\\", SearchKind::kDirectory), "INF");
  EXPECT_EQ(this->Find("NOWHERE\\", SearchKind::kDirectory), "");
  // Patterns in the last component yield the one entry of the wanted kind.
  EXPECT_EQ(this->Find("WILD\\*.INF", SearchKind::kNormal), "one.inf");
  EXPECT_EQ(this->Find("wild\\O?E.*", SearchKind::kNormal), "one.inf");
  EXPECT_EQ(this->Find("WILD\\*", SearchKind::kDirectory), "two.dir");
  EXPECT_EQ(this->Find("WILD\\*.SYS", SearchKind::kNormal), "");
}

TYPED_TEST_P(FileSystemReadContract, FindsEntriesByTheirShortAliases) {
  using contract::SearchKind;
  platform::FileSystem& files = this->Open();
  const std::string sound = this->factory_.Alias("WINDOWS\\INF\\OTHER\\Acme Corp Sound.inf");
  const std::string program_files = this->factory_.Alias("Program Files");
  ASSERT_NE(sound, "Acme Corp Sound.inf");
  EXPECT_EQ(this->Find("WINDOWS\\INF\\OTHER\\" + sound, SearchKind::kNormal),
            "Acme Corp Sound.inf");
  EXPECT_EQ(this->Find(program_files + "\\ACME\\ACME.DLL", SearchKind::kNormal), "acme.dll");
  EXPECT_EQ(this->Find(program_files, SearchKind::kDirectory), "Program Files");
  EXPECT_EQ(this->Find("WINDOWS\\INF\\OTHER\\ZZZZZZ~9.INF", SearchKind::kNormal), "");
  bool failed = false;
  EXPECT_EQ(contract::ReadThrough(files, this->At(program_files + "\\ACME\\ACME.DLL"), 64, &failed),
            "dll");
}

TYPED_TEST_P(FileSystemReadContract, HiddenAndSystemFilesAreNotFoundButReadable) {
  using contract::SearchKind;
  if constexpr (!TypeParam::kAttributes) {
    GTEST_SKIP() << "no Windows attributes here";
  } else {
    this->factory_.AddFile("SYSTEM\\HIDDEN.VXD", "h", kHidden);
    this->factory_.AddFile("SYSTEM\\SYS.VXD", "s", kSystem);
    this->factory_.AddFile("SYSTEM\\LOCKED.DRV", "r", kReadOnly);
    this->factory_.AddFolder("SYSTEM\\HIDDENDIR", kHidden);
    platform::FileSystem& files = this->Open();
    EXPECT_EQ(this->Find("SYSTEM\\HIDDEN.VXD", SearchKind::kNormal), "");
    EXPECT_EQ(this->Find("SYSTEM\\SYS.VXD", SearchKind::kNormal), "");
    EXPECT_EQ(this->Find("SYSTEM\\*.VXD", SearchKind::kNormal), "");
    EXPECT_EQ(this->Find("SYSTEM\\LOCKED.DRV", SearchKind::kNormal), "LOCKED.DRV");
    EXPECT_EQ(this->Find("SYSTEM\\HIDDENDIR", SearchKind::kDirectory), "HIDDENDIR");
    bool failed = false;
    EXPECT_EQ(contract::ReadThrough(files, this->At("SYSTEM\\HIDDEN.VXD"), 16, &failed), "h");
    EXPECT_FALSE(failed);
  }
}

TYPED_TEST_P(FileSystemReadContract, ReadsTheBytesAsStored) {
  platform::FileSystem& files = this->Open();
  bool failed = true;
  EXPECT_EQ(contract::ReadThrough(files, this->At("data.bin"), 4099, &failed),
            contract::BinaryBytes());
  EXPECT_FALSE(failed);
  EXPECT_EQ(contract::ReadThrough(files, this->At("WINDOWS\\INF\\NET.INF"), 4, &failed),
            contract::kNetInf);
  const std::string missing = contract::ReadThrough(files, this->At("NONE.BIN"), 64, &failed);
  EXPECT_TRUE(failed);
  EXPECT_NE(missing.find("NONE.BIN"), std::string::npos) << missing;
  contract::ReadThrough(files, this->At("WINDOWS\\INF"), 64, &failed);
  EXPECT_TRUE(failed);
  contract::ReadThrough(files, this->At("WINDOWS\\INF\\"), 64, &failed);
  EXPECT_TRUE(failed);
}

REGISTER_TYPED_TEST_SUITE_P(FileSystemReadContract, FindsNamesAsStoredIgnoringCase,
                            FindsOnlyTheKindAskedFor, FindsEntriesByTheirShortAliases,
                            HiddenAndSystemFilesAreNotFoundButReadable, ReadsTheBytesAsStored);

template <typename Factory>
class FileSystemWriteContract : public FileSystemReadContract<Factory> {
 protected:
  std::string Out(std::string_view relative) {
    return this->factory_.Out() + "\\" + std::string(relative);
  }
};

TYPED_TEST_SUITE_P(FileSystemWriteContract);

TYPED_TEST_P(FileSystemWriteContract, MakesOneFolderLevel) {
  using contract::FsError;
  using contract::SearchKind;
  platform::FileSystem& files = this->Open();
  EXPECT_TRUE(files.MakeDirectory(this->Out("Audio Device 16_32")).ok());
  EXPECT_EQ(files.FindFirst(this->Out("AUDIO DEVICE 16_32\\"), SearchKind::kDirectory),
            "Audio Device 16_32");
  EXPECT_TRUE(files.MakeDirectory(this->Out("Trailing\\")).ok());
  EXPECT_EQ(files.FindFirst(this->Out("trailing"), SearchKind::kDirectory), "Trailing");
  EXPECT_EQ(files.MakeDirectory(this->Out("audio device 16_32")).error, FsError::kOther);
  const platform::FsStatus deep = files.MakeDirectory(this->Out("New\\Deep"));
  EXPECT_EQ(deep.error, FsError::kPathNotFound);
  EXPECT_NE(deep.detail.find("Deep"), std::string::npos) << deep.detail;
  const platform::FsStatus no_drive = files.MakeDirectory("Q:\\Nowhere\\New");
  EXPECT_EQ(no_drive.error, FsError::kPathNotFound) << no_drive.detail;
  const platform::FsStatus invalid = files.MakeDirectory(this->Out("a:b"));
  EXPECT_EQ(invalid.error, FsError::kOther) << invalid.detail;
  ASSERT_TRUE(files.CopyFile(this->At("WINDOWS\\INF\\NET.INF"), this->Out("Plain")).ok());
  EXPECT_EQ(files.MakeDirectory(this->Out("Plain")).error, FsError::kOther);
  EXPECT_EQ(this->factory_.NamesIn(this->factory_.Out()),
            (std::set<std::string>{"Audio Device 16_32", "Trailing", "Plain"}));
}

TYPED_TEST_P(FileSystemWriteContract, CopiesWholeThroughATemporary) {
  using contract::FsError;
  using contract::SearchKind;
  platform::FileSystem& files = this->Open();
  bool failed = false;
  ASSERT_TRUE(files.CopyFile(this->At("DATA.BIN"), this->Out("DATA.BIN")).ok());
  EXPECT_EQ(contract::ReadThrough(files, this->Out("DATA.BIN"), 65536, &failed),
            contract::BinaryBytes());
  ASSERT_TRUE(files.CopyFile(this->At("WINDOWS\\INF\\NET.INF"), this->Out("NET.INF")).ok());
  // Replacing finds the target ignoring case, keeps its stored name, and leaves
  // nothing of the longer earlier file.
  ASSERT_TRUE(files.CopyFile(this->At("Program Files\\Acme\\acme.dll"), this->Out("net.inf")).ok());
  EXPECT_EQ(files.FindFirst(this->Out("Net.Inf"), SearchKind::kNormal), "NET.INF");
  EXPECT_EQ(contract::ReadThrough(files, this->Out("NET.INF"), 64, &failed), "dll");
  EXPECT_EQ(this->factory_.NamesIn(this->factory_.Out()),
            (std::set<std::string>{"DATA.BIN", "NET.INF"}));
}

TYPED_TEST_P(FileSystemWriteContract, ClassifiesFailuresAndLeavesTargetsAsTheyWere) {
  using contract::FsError;
  platform::FileSystem& files = this->Open();
  ASSERT_TRUE(files.MakeDirectory(this->Out("Folder")).ok());
  ASSERT_TRUE(
      files.CopyFile(this->At("Program Files\\Acme\\acme.dll"), this->Out("KEEP.DLL")).ok());
  struct Case {
    std::string from, to;
    FsError error;
  };
  const Case cases[] = {
      // A listed file that vanished from a folder that still exists.
      {this->At("WINDOWS\\INF\\GONE.INF"), this->Out("GONE.INF"), FsError::kOther},
      {this->At("NOWHERE\\NET.INF"), this->Out("X.INF"), FsError::kPathNotFound},
      {this->At("WINDOWS\\INF\\NET.INF"), this->Out("MISSING\\NET.INF"), FsError::kPathNotFound},
      {this->At("WINDOWS\\INF\\NET.INF"), "Q:\\NOWHERE\\NET.INF", FsError::kPathNotFound},
      {this->At("WINDOWS\\INF"), this->Out("INF"), FsError::kOther},
      {this->At("WINDOWS\\INF\\NET.INF"), this->Out("folder"), FsError::kOther},
      {this->At("WINDOWS\\INF\\NET.INF"), this->Out(""), FsError::kOther},
      {this->At("WINDOWS\\INF\\NET.INF"), this->Out("a:b"), FsError::kOther},
  };
  for (const Case& c : cases) {
    const platform::FsStatus status = files.CopyFile(c.from, c.to);
    EXPECT_EQ(status.error, c.error) << c.from << " -> " << c.to << ": " << status.detail;
    EXPECT_FALSE(status.detail.empty()) << c.from << " -> " << c.to;
  }
  // A copy onto its own source either fails or changes nothing.
  const platform::FsStatus onto_itself =
      files.CopyFile(this->Out("KEEP.DLL"), this->Out("keep.dll"));
  if (!onto_itself.ok()) {
    EXPECT_EQ(onto_itself.error, FsError::kOther);
  }
  bool failed = false;
  EXPECT_EQ(contract::ReadThrough(files, this->Out("KEEP.DLL"), 64, &failed), "dll");
  EXPECT_EQ(files.FindFirst(this->Out("Folder"), platform::SearchKind::kDirectory), "Folder");
  EXPECT_EQ(this->factory_.NamesIn(this->factory_.Out()),
            (std::set<std::string>{"Folder", "KEEP.DLL"}));
}

TYPED_TEST_P(FileSystemWriteContract, FullDriveFailsAndKeepsEarlierFiles) {
  platform::FileSystem& files = this->Open();
  const std::string full = this->factory_.FullFolder();
  if (full.empty()) GTEST_SKIP() << "no full drive can be made here";
  const platform::FsStatus replace = files.CopyFile(this->At("DATA.BIN"), full + "\\EARLIER.BIN");
  EXPECT_EQ(replace.error, contract::FsError::kDiskFull) << replace.detail;
  const platform::FsStatus fresh = files.CopyFile(this->At("DATA.BIN"), full + "\\NEW.BIN");
  EXPECT_EQ(fresh.error, contract::FsError::kDiskFull) << fresh.detail;
  bool failed = false;
  EXPECT_EQ(contract::ReadThrough(files, full + "\\EARLIER.BIN", 64, &failed), "earlier");
  EXPECT_EQ(this->factory_.NamesIn(full), (std::set<std::string>{"EARLIER.BIN"}));
}

REGISTER_TYPED_TEST_SUITE_P(FileSystemWriteContract, MakesOneFolderLevel,
                            CopiesWholeThroughATemporary,
                            ClassifiesFailuresAndLeavesTargetsAsTheyWere,
                            FullDriveFailsAndKeepsEarlierFiles);

}  // namespace veskaro::testing

/// Instantiates one of the suites on the file system that `Factory` makes.
#define VESKARO_FILE_SYSTEM_CONTRACT_SUITE(Prefix, Suite, Factory)          \
  namespace veskaro::testing {                                              \
  INSTANTIATE_TYPED_TEST_SUITE_P(Prefix, Suite, ::testing::Types<Factory>); \
  }

/// Runs the read suite alone on the file system that `Factory` makes; at file scope.
#define VESKARO_FILE_SYSTEM_READ_CONTRACT(Prefix, Factory)                    \
  VESKARO_FILE_SYSTEM_CONTRACT_SUITE(Prefix, FileSystemReadContract, Factory) \
  namespace veskaro::testing {                                                \
  GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FileSystemWriteContract);     \
  }

/// Runs both suites on the file system that `Factory` makes; at file scope.
#define VESKARO_FILE_SYSTEM_CONTRACT(Prefix, Factory)                         \
  VESKARO_FILE_SYSTEM_CONTRACT_SUITE(Prefix, FileSystemReadContract, Factory) \
  VESKARO_FILE_SYSTEM_CONTRACT_SUITE(Prefix, FileSystemWriteContract, Factory)
