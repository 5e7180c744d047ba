#include "platform/memory_file_system.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory_environment.h"
#include "platform/short_names.h"
#include "testing/file_system_contract.h"

namespace veskaro::platform {
namespace {

using Kind = SearchKind;

std::string ReadAll(ByteSource& source, std::size_t block, bool* failed) {
  std::string out, error;
  std::vector<char> buffer(block);
  *failed = false;
  for (;;) {
    const std::ptrdiff_t got = source.Read(buffer.data(), buffer.size(), &error);
    if (got < 0) {
      *failed = true;
      EXPECT_FALSE(error.empty());
      return out;
    }
    if (got == 0) return out;
    out.append(buffer.data(), static_cast<std::size_t>(got));
  }
}

// The in-memory file system under the shared contract: the tree on C:, writes on D:.
class MemoryContract {
 public:
  static constexpr bool kAttributes = true;

  void AddFile(std::string_view relative, std::string_view bytes, unsigned attributes) {
    ASSERT_TRUE(files_.AddFile("C:\\" + std::string(relative), bytes, attributes)) << relative;
  }
  void AddFolder(std::string_view relative, unsigned attributes) {
    ASSERT_TRUE(files_.AddDirectory("C:\\" + std::string(relative), attributes)) << relative;
  }
  std::string Root() { return "C:"; }
  FileSystem& Files() {
    files_.AddDirectory("D:\\OUT");
    return files_;
  }
  std::string Alias(std::string_view relative) {
    const std::string path = "C:\\" + std::string(relative);
    const std::string folder = path.substr(0, path.rfind('\\'));
    const std::vector<std::string> names = Children(folder);
    const std::vector<std::string> aliases = ShortAliases(names);
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (folder + "\\" + names[i] == path) return aliases[i];
    }
    return {};
  }
  std::string Out() { return "D:\\OUT"; }
  std::set<std::string> NamesIn(std::string_view folder) {
    const std::vector<std::string> names = Children(folder);
    return {names.begin(), names.end()};
  }
  std::string FullFolder() {
    files_.AddFile("E:\\FULL\\EARLIER.BIN", "earlier");
    files_.FailCopiesAfterBytes(0);
    return "E:\\FULL";
  }

 private:
  // The names stored directly in `folder` (a path as stored, any case).
  std::vector<std::string> Children(std::string_view folder) {
    std::vector<std::string> names;
    for (const auto& list : {files_.Files(), files_.Directories()}) {
      for (const std::string& path : list) {
        const std::size_t slash = path.rfind('\\');
        if (EqualsIgnoreCase1252(path.substr(0, slash), folder))
          names.push_back(path.substr(slash + 1));
      }
    }
    return names;
  }

  MemoryFileSystem files_;
};

class MemoryFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs_.AddFile("C:\\WINDOWS\\INF\\Net.inf", "[Version]"));
    ASSERT_TRUE(fs_.AddFile("C:\\WINDOWS\\INF\\OTHER\\Acme Corp Sound.inf", "acme"));
    ASSERT_TRUE(fs_.AddFile("C:\\WINDOWS\\SYSTEM\\HIDDEN.VXD", "h", MemoryFileSystem::kHidden));
    ASSERT_TRUE(fs_.AddFile("C:\\WINDOWS\\SYSTEM\\SYS.VXD", "s", MemoryFileSystem::kSystem));
    ASSERT_TRUE(fs_.AddFile("C:\\Program Files\\Acme\\acme.dll", "dll"));
    ASSERT_TRUE(fs_.AddDirectory("A:\\"));
    ASSERT_TRUE(fs_.AddDirectory("A:\\OUT"));
  }
  MemoryFileSystem fs_;
};

// Beyond the contract: drive roots are folders, wildcards stand only in the last
// component, inspection resolves aliases too.
TEST_F(MemoryFileSystemTest, DriveRootsWildcardsAndAliasesOfInspection) {
  EXPECT_EQ(fs_.FindFirst("a:\\", Kind::kDirectory), "A:\\");
  EXPECT_EQ(fs_.FindFirst("C:\\", Kind::kNormal), "");
  EXPECT_EQ(fs_.FindFirst("C:\\WINDOWS\\INF\\*.INF", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_.FindFirst("C:\\WINDOWS\\*\\NET.INF", Kind::kNormal), "");
  EXPECT_EQ(fs_.FileContents("C:\\PROGRA~1\\ACME\\ACME.DLL"), "dll");
}

TEST_F(MemoryFileSystemTest, AddRejectsFilesInTheWayOfFolders) {
  EXPECT_FALSE(fs_.AddFile("C:\\WINDOWS\\INF\\NET.INF\\X", "x"));
  EXPECT_FALSE(fs_.AddFile("C:\\WINDOWS", "x"));
  EXPECT_FALSE(fs_.AddDirectory("C:\\WINDOWS\\INF\\NET.INF"));
  EXPECT_FALSE(fs_.AddFile("C:\\", "x"));
  EXPECT_TRUE(fs_.AddFile("c:\\windows\\inf\\NET.INF", "new"));  // replaces, keeps the name
  EXPECT_EQ(fs_.Files(), (std::vector<std::string>{
                             "C:\\WINDOWS\\INF\\Net.inf",
                             "C:\\WINDOWS\\INF\\OTHER\\Acme Corp Sound.inf",
                             "C:\\WINDOWS\\SYSTEM\\HIDDEN.VXD",
                             "C:\\WINDOWS\\SYSTEM\\SYS.VXD",
                             "C:\\Program Files\\Acme\\acme.dll",
                         }));
  EXPECT_EQ(fs_.FileContents("C:\\WINDOWS\\INF\\Net.inf"), "new");
}

TEST_F(MemoryFileSystemTest, ReadFaults) {
  std::string error;
  bool failed = false;
  ASSERT_TRUE(fs_.AddFile("C:\\DATA.BIN", "0123456789"));
  auto whole = fs_.OpenRead("c:\\data.bin", &error);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(ReadAll(*whole, 3, &failed), "0123456789");
  EXPECT_FALSE(failed);

  EXPECT_EQ(fs_.OpenRead("C:\\MISSING.BIN", &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(fs_.OpenRead("C:\\WINDOWS", &error), nullptr);

  ASSERT_TRUE(fs_.FailReadAfter("C:\\DATA.BIN", 4));
  auto partial = fs_.OpenRead("C:\\DATA.BIN", &error);
  ASSERT_NE(partial, nullptr);
  EXPECT_EQ(ReadAll(*partial, 3, &failed), "0123");
  EXPECT_TRUE(failed);
  FsStatus status = fs_.CopyFile("C:\\DATA.BIN", "A:\\OUT\\DATA.BIN");
  EXPECT_EQ(status.error, FsError::kOther);
  EXPECT_FALSE(fs_.FileContents("A:\\OUT\\DATA.BIN"));

  ASSERT_TRUE(fs_.FailOpen("C:\\WINDOWS\\INF\\NET.INF", "Sharing violation"));
  EXPECT_EQ(fs_.OpenRead("C:\\WINDOWS\\INF\\NET.INF", &error), nullptr);
  EXPECT_EQ(error, "Sharing violation");
  EXPECT_EQ(fs_.FindFirst("C:\\WINDOWS\\INF\\NET.INF", Kind::kNormal), "Net.inf");
  EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\NET.INF").error, FsError::kOther);
  EXPECT_FALSE(fs_.FailOpen("C:\\NOPE", "x"));

  fs_.ClearFaults();
  EXPECT_NE(fs_.OpenRead("C:\\WINDOWS\\INF\\NET.INF", &error), nullptr);
  EXPECT_TRUE(fs_.CopyFile("C:\\DATA.BIN", "A:\\OUT\\DATA.BIN").ok());
}

TEST_F(MemoryFileSystemTest, CopiesKeepAttributesAndSpareReadOnlyTargets) {
  EXPECT_TRUE(fs_.CopyFile("C:\\WINDOWS\\SYSTEM\\HIDDEN.VXD", "A:\\OUT\\H.VXD").ok());
  EXPECT_EQ(fs_.Attributes("A:\\OUT\\H.VXD"), unsigned{MemoryFileSystem::kHidden});
  EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "B:\\NET.INF").error, FsError::kPathNotFound);
  EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "c:\\windows\\inf\\net.inf").error,
            FsError::kOther);
  ASSERT_TRUE(fs_.AddFile("A:\\OUT\\LOCKED.INF", "old", MemoryFileSystem::kReadOnly));
  EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\LOCKED.INF").error,
            FsError::kOther);
  EXPECT_EQ(fs_.FileContents("A:\\OUT\\LOCKED.INF"), "old");
  EXPECT_EQ(fs_.FileContents("C:\\WINDOWS\\INF\\NET.INF"), "[Version]");
}

TEST_F(MemoryFileSystemTest, CopyFaultsLeaveTargetsAsTheyWere) {
  ASSERT_TRUE(fs_.AddFile("A:\\OUT\\EARLIER.INF", "earlier"));
  for (FsError error :
       {FsError::kPathNotFound, FsError::kDiskFull, FsError::kNotReady, FsError::kOther}) {
    fs_.FailCopyTo("a:\\out\\earlier.inf", error);
    fs_.FailCopyTo("A:\\OUT\\NEW.INF", error, "custom detail");
    EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\EARLIER.INF").error, error);
    const FsStatus fresh = fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\NEW.INF");
    EXPECT_EQ(fresh.error, error);
    EXPECT_EQ(fresh.detail, "custom detail");
  }
  EXPECT_EQ(fs_.FileContents("A:\\OUT\\EARLIER.INF"), "earlier");
  EXPECT_FALSE(fs_.FileContents("A:\\OUT\\NEW.INF"));
  fs_.ClearFaults();

  // One-shot fault: only the next copy that would succeed fails.
  fs_.FailNextCopy(FsError::kNotReady);
  EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\NOPE\\X").error, FsError::kPathNotFound);
  EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\NET.INF").error,
            FsError::kNotReady);
  EXPECT_TRUE(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\NET.INF").ok());

  // A drive that fills up: 9 + 4 bytes fit in 15, the next 9 do not.
  fs_.FailCopiesAfterBytes(15);
  ASSERT_TRUE(fs_.AddFile("C:\\SMALL.TXT", "abcd"));
  ASSERT_TRUE(fs_.AddFile("C:\\EMPTY.TXT", ""));
  EXPECT_TRUE(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\ONE.INF").ok());
  EXPECT_TRUE(fs_.CopyFile("C:\\SMALL.TXT", "A:\\OUT\\SMALL.TXT").ok());
  EXPECT_EQ(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\EARLIER.INF").error,
            FsError::kDiskFull);
  EXPECT_EQ(fs_.writes().back().bytes_written, 2u);
  EXPECT_EQ(fs_.FileContents("A:\\OUT\\EARLIER.INF"), "earlier");
  EXPECT_EQ(fs_.CopyFile("C:\\SMALL.TXT", "A:\\OUT\\TWO.TXT").error, FsError::kDiskFull);
  EXPECT_FALSE(fs_.FileContents("A:\\OUT\\TWO.TXT"));
  EXPECT_TRUE(fs_.CopyFile("C:\\EMPTY.TXT", "A:\\OUT\\EMPTY.TXT").ok());
}

TEST_F(MemoryFileSystemTest, FolderFaultsAndDriveRoots) {
  EXPECT_EQ(fs_.MakeDirectory("A:\\").error, FsError::kOther);
  fs_.FailMakeDirectory("a:\\out\\floppy", FsError::kNotReady);
  EXPECT_EQ(fs_.MakeDirectory("A:\\OUT\\FLOPPY").error, FsError::kNotReady);
  EXPECT_EQ(fs_.FindFirst("A:\\OUT\\FLOPPY", Kind::kDirectory), "");
  EXPECT_TRUE(fs_.MakeDirectory("A:\\OUT\\Audio Device 16_32").ok());
  EXPECT_EQ(fs_.Directories().size(), 8u);
}

TEST_F(MemoryFileSystemTest, RecordsEveryWrite) {
  EXPECT_TRUE(fs_.MakeDirectory("A:\\OUT\\Net").ok());
  EXPECT_TRUE(fs_.CopyFile("C:\\WINDOWS\\INF\\NET.INF", "A:\\OUT\\Net\\NET.INF").ok());
  EXPECT_FALSE(fs_.CopyFile("C:\\WINDOWS\\INF\\NONE.INF", "A:\\OUT\\Net\\NONE.INF").ok());
  ASSERT_EQ(fs_.writes().size(), 3u);
  const auto& writes = fs_.writes();
  EXPECT_EQ(writes[0].kind, MemoryFileSystem::WriteRecord::Kind::kMakeDirectory);
  EXPECT_EQ(writes[0].path, "A:\\OUT\\Net");
  EXPECT_EQ(writes[1].kind, MemoryFileSystem::WriteRecord::Kind::kCopyFile);
  EXPECT_EQ(writes[1].from, "C:\\WINDOWS\\INF\\NET.INF");
  EXPECT_EQ(writes[1].bytes_written, 9u);
  EXPECT_EQ(writes[2].error, FsError::kOther);
  EXPECT_EQ(writes[2].bytes_written, 0u);
  // Adding files for a test is not a write of the program.
  ASSERT_TRUE(fs_.AddFile("C:\\X", "x"));
  EXPECT_EQ(fs_.writes().size(), 3u);
}

TEST(MapEnvironmentTest, NamesIgnoreCase) {
  MapEnvironment environment{{"windir", "C:\\WINDOWS"}, {"TEMP", "C:\\TEMP"}};
  EXPECT_EQ(environment.Get("WINDIR"), "C:\\WINDOWS");
  EXPECT_EQ(environment.Get("WinDir"), "C:\\WINDOWS");
  EXPECT_EQ(environment.Get("PATH"), "");
  environment.Set("WINDIR", "D:\\WIN98");
  EXPECT_EQ(environment.Get("windir"), "D:\\WIN98");
  environment.Unset("Temp");
  EXPECT_EQ(environment.Get("TEMP"), "");
}

}  // namespace
}  // namespace veskaro::platform

VESKARO_FILE_SYSTEM_CONTRACT(Memory, veskaro::platform::MemoryContract);
