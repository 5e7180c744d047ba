#include "platform/offline/installation.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/offline/image_installation.h"
#include "platform/offline/windows_folder.h"
#include "platform/posix/host_file_system.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;

// The entry of host folder `folder` named `name` ignoring letter case (an exact
// match first), or an empty path.
fs::path FindEntry(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  const fs::path exact = folder / std::string(name);
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualsIgnoreCase1252(it->path().filename().string(), name)) return it->path();
  }
  return {};
}

// Whether the folder that holds host folder `folder` has a REGEDIT4 export
// "system.reg" (the bundled sample's layout).
bool ExportBeside(const fs::path& folder) {
  std::error_code ec;
  const fs::path beside = FindEntry(folder.parent_path(), "system.reg");
  return !beside.empty() && fs::is_regular_file(beside, ec);
}

// The folders of host folder `folder`, in name order.
std::vector<fs::path> Subfolders(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind_ec;
    if (it->is_directory(kind_ec)) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// The name of host file or folder `path` as a Windows path names it.
std::string WindowsName(const fs::path& path, int code_page) {
  return HostNameToCodePage(code_page, path.filename().string());
}

// Host folder `root` as drive C: (never written), with the host's drives (HostDrives).
DriveC HostDrive(const fs::path& root, int code_page) {
  const std::string root_text = root.string();
  auto files = std::make_unique<HostFileSystem>(HostDrives(root_text),
                                                std::vector<std::string>{root_text}, code_page);
  const HostFileSystem* host = files.get();
  DriveC drive;
  drive.files = std::move(files);
  for (const fs::path& folder : Subfolders(root)) {
    drive.top_level_folders.push_back(WindowsName(folder, code_page));
  }
  drive.where = root_text;
  drive.beside = root.parent_path().string();
  drive.host_path_of = [host](std::string_view path) { return host->ToHostPath(path); };
  return drive;
}

// Whether host folder `folder` is the drive C: of an installation: its MSDOS.SYS
// names the Windows folder, or one of its folders is a Windows folder.
bool IsDriveC(const fs::path& folder, bool registry_given, int code_page) {
  const DriveC drive = HostDrive(folder, code_page);
  if (!WinDirOfMsdosSys(*drive.files).empty()) return true;
  return !WindowsFolders(drive, registry_given || ExportBeside(folder)).empty();
}

// Whether host folder `folder` is itself a Windows folder.
bool IsHostWindowsFolder(const fs::path& folder, bool registry_elsewhere, int code_page) {
  const DriveC drive = HostDrive(folder.parent_path(), code_page);
  return IsWindowsFolder(*drive.files, "C:\\" + WindowsName(folder, code_page), registry_elsewhere);
}

std::string JoinPaths(const std::vector<fs::path>& paths) {
  std::string out;
  for (const fs::path& path : paths) out += (out.empty() ? "" : ", ") + path.string();
  return out;
}

// The installation in a host folder as users give it: drive C: itself; the Windows
// folder itself, whose parent is then drive C:; or a folder whose only installation
// lies one level down (a folder holding a copied drive_c). With a registry given,
// or one beside the folder, a folder that is none of these is taken as drive C:.
struct LocatedInstallation {
  fs::path root;       ///< the host folder that is drive C:
  std::string windir;  ///< the Windows folder when the folder given was it, else empty
  std::string error;   ///< what was looked for, when nothing was found
};

LocatedInstallation LocateInstallation(const fs::path& folder, bool registry_given, int code_page) {
  if (IsDriveC(folder, registry_given, code_page)) return {folder, {}, {}};
  if (folder.has_relative_path() && IsHostWindowsFolder(folder, registry_given, code_page)) {
    return {folder.parent_path(), "C:\\" + WindowsName(folder, code_page), {}};
  }
  std::vector<fs::path> below;
  for (const fs::path& sub : Subfolders(folder)) {
    if (IsDriveC(sub, registry_given, code_page)) below.push_back(sub);
  }
  if (below.size() == 1) return {below.front(), {}, {}};
  if (registry_given || ExportBeside(folder)) return {folder, {}, {}};
  std::string error = "No Windows 95/98/Me installation found in " + folder.string() +
                      ". Looked for drive C: (MSDOS.SYS naming the Windows folder, or a folder "
                      "holding SYSTEM.DAT with WIN.COM or WIN.INI), for the Windows folder itself "
                      "(SYSTEM.DAT with WIN.COM or WIN.INI), and for a drive C: one level down";
  if (below.empty()) return {{}, {}, error + "."};
  return {{},
          {},
          error + ": several folders there hold one (" + JoinPaths(below) + "). Open one of them."};
}

}  // namespace

std::unique_ptr<OfflineInstallation> OpenInstallation(const InstallationOptions& options,
                                                      std::string* error) {
  auto fail = [&](std::string text) -> std::unique_ptr<OfflineInstallation> {
    if (error) *error = std::move(text);
    return nullptr;
  };
  if (!options.image.empty()) {
    if (!options.root.empty()) {
      return fail("Give either the installation's folder or a disk image, not both.");
    }
    return OpenImageInstallation(options, error);
  }
  if (options.partition != 0) return fail("A partition can only be chosen on a disk image.");
  std::error_code ec;
  if (options.root.empty()) return fail("No installation folder was given.");
  const fs::path given = fs::canonical(options.root, ec);
  if (ec) {
    return fail("The installation folder " + options.root + " cannot be opened: " + ec.message() +
                ".");
  }
  if (!fs::is_directory(given, ec)) {
    return fail("The installation folder " + options.root + " is not a folder.");
  }

  // A Windows folder named by the user makes the folder given drive C:; else the
  // folder is looked at as users give it.
  InstallationOptions located_options = options;
  fs::path root = given;
  if (options.windir.empty()) {
    LocatedInstallation located =
        LocateInstallation(given, !options.registry_file.empty(), options.codepage);
    if (!located.error.empty()) return fail(located.error);
    root = located.root;
    located_options.windir = located.windir;
  }
  DriveC drive = HostDrive(root, options.codepage);
  const auto host_path_of = drive.host_path_of;
  auto installation = CompleteInstallation(std::move(drive), located_options, error);
  if (installation != nullptr) installation->host_file_of = host_path_of;
  return installation;
}

}  // namespace veskaro::platform
