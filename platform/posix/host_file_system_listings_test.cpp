// Lookups that need a folder's listing (a name in mixed case, an 8.3 alias) use an
// index of the folder kept up to date by inotify; every change must be seen at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/host_file_system.h"
#include "testing/temp_folder.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using Kind = SearchKind;

TEST(HostFileSystemListingsTest, ChangesToAListedFolderAreSeenAtOnce) {
  const testing::TempFolder temp("veskaro_listings");
  const fs::path& root = temp.path();
  const fs::path system = root / "WINDOWS" / "SYSTEM";
  fs::create_directories(system);
  std::ofstream(system / "Mixed.Sys") << "a";
  std::ofstream(system / "Long Driver Name.Dll") << "b";
  HostFileSystem files({{'C', root.string()}}, {});
  // The first lookups list the folder and keep its index; the later ones must see
  // every change made since, by whoever made it.
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\MIXED.SYS", Kind::kNormal), "Mixed.Sys");
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\LONGDR~1.DLL", Kind::kNormal),
            "Long Driver Name.Dll");
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\NEW.VXD", Kind::kNormal), "");

  std::ofstream(system / "New.Vxd") << "c";
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\NEW.VXD", Kind::kNormal), "New.Vxd");
  fs::rename(system / "Mixed.Sys", system / "Renamed.Sys");
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\MIXED.SYS", Kind::kNormal), "");
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\RENAMED.SYS", Kind::kNormal), "Renamed.Sys");
  fs::remove(system / "Long Driver Name.Dll");
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\LONGDR~1.DLL", Kind::kNormal), "");
  // A folder replaced by another of the same name.
  fs::rename(system, root / "WINDOWS" / "OLD");
  fs::create_directories(system);
  std::ofstream(system / "Fresh.Drv") << "d";
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\NEW.VXD", Kind::kNormal), "");
  EXPECT_EQ(files.FindFirst("C:\\WINDOWS\\SYSTEM\\FRESH.DRV", Kind::kNormal), "Fresh.Drv");
}

}  // namespace
}  // namespace veskaro::platform
