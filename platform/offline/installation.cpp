#include "platform/offline/installation.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/memory_environment.h"
#include "platform/memory_registry.h"
#include "platform/posix/host_file_system.h"
#include "platform/regedit4.h"
#include "platform/short_names.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;

// MSDOS.SYS is about 1.5 KB; more than this is not a boot configuration file.
constexpr std::size_t kMaxMsdosSys = 64 * 1024;

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

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool HoldsFile(const fs::path& folder, std::string_view name) {
  return IsFile(FindEntry(folder, name));
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// "C:\WINDOWS\" -> "C:\WINDOWS": the form the "windir" variable has.
std::string WithoutTrailingBackslash(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// The "WinDir=" value of the "[Paths]" section of an MSDOS.SYS text, or empty text.
std::string WinDirOfMsdosSys(const std::string& text) {
  bool in_paths = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(std::string_view(text).substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      in_paths =
          close != std::string::npos && EqualsIgnoreCase1252(line.substr(1, close - 1), "Paths");
      continue;
    }
    const std::size_t equals = line.find('=');
    if (in_paths && equals != std::string::npos &&
        EqualsIgnoreCase1252(Trim(line.substr(0, equals)), "WinDir")) {
      return WithoutTrailingBackslash(Trim(line.substr(equals + 1)));
    }
  }
  return {};
}

std::string ReadMsdosSys(const fs::path& root) {
  const fs::path path = FindEntry(root, "MSDOS.SYS");
  if (!IsFile(path)) return {};
  std::ifstream in(path, std::ios::binary);
  std::string text;
  text.resize(kMaxMsdosSys);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

// The folders of `folder` for which `fits` holds, in name order.
template <typename Fits>
std::vector<fs::path> Subfolders(const fs::path& folder, Fits fits) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind_ec;
    if (it->is_directory(kind_ec) && fits(it->path())) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Top-level folders of `root` (as Windows paths "C:\NAME") for which `fits` holds.
template <typename Fits>
std::vector<std::string> TopLevelFolders(const fs::path& root, Fits fits) {
  std::vector<std::string> found;
  for (const fs::path& folder : Subfolders(root, fits)) {
    found.push_back("C:\\" + folder.filename().string());
  }
  return found;
}

// Whether host folder `folder` is a Windows folder: it holds SYSTEM.DAT with WIN.COM
// or WIN.INI; when the registry comes from elsewhere, WIN.COM or WIN.INI suffice.
bool IsWindowsFolder(const fs::path& folder, bool registry_elsewhere) {
  return (HoldsFile(folder, "WIN.COM") || HoldsFile(folder, "WIN.INI")) &&
         (registry_elsewhere || HoldsFile(folder, "SYSTEM.DAT"));
}

// Whether host folder `folder` is the drive C: of an installation: its MSDOS.SYS
// names the Windows folder, or one of its folders is a Windows folder.
bool IsDriveC(const fs::path& folder, bool registry_given) {
  if (!WinDirOfMsdosSys(ReadMsdosSys(folder)).empty()) return true;
  const bool elsewhere = registry_given || IsFile(FindEntry(folder.parent_path(), "system.reg"));
  return !Subfolders(folder, [&](const fs::path& f) {
            return IsWindowsFolder(f, elsewhere);
          }).empty();
}

template <typename Names>
std::string JoinNames(const Names& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + std::string(name);
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

LocatedInstallation LocateInstallation(const fs::path& folder, bool registry_given) {
  if (IsDriveC(folder, registry_given)) return {folder, {}, {}};
  if (folder.has_relative_path() && IsWindowsFolder(folder, registry_given)) {
    return {folder.parent_path(), "C:\\" + folder.filename().string(), {}};
  }
  const auto below =
      Subfolders(folder, [&](const fs::path& f) { return IsDriveC(f, registry_given); });
  if (below.size() == 1) return {below.front(), {}, {}};
  if (registry_given || IsFile(FindEntry(folder.parent_path(), "system.reg"))) {
    return {folder, {}, {}};
  }
  std::string error = "No Windows 95/98/Me installation found in " + folder.string() +
                      ". Looked for drive C: (MSDOS.SYS naming the Windows folder, or a folder "
                      "holding SYSTEM.DAT with WIN.COM or WIN.INI), for the Windows folder itself "
                      "(SYSTEM.DAT with WIN.COM or WIN.INI), and for a drive C: one level down";
  if (below.empty()) return {{}, {}, error + "."};
  std::vector<std::string> names;
  for (const fs::path& path : below) names.push_back(path.string());
  return {{},
          {},
          error + ": several folders there hold one (" + JoinNames(names) + "). Open one of them."};
}

// Loads a registry file, telling a hive from a REGEDIT4 export by its first bytes.
std::unique_ptr<MemoryRegistry> LoadRegistryFile(const std::string& host_path, int codepage,
                                                 std::string* description, std::string* error) {
  std::ifstream in(host_path, std::ios::binary);
  if (!in) {
    std::error_code ec(errno, std::generic_category());
    *error = "Cannot read the registry file " + host_path + ": " + ec.message() + ".";
    return nullptr;
  }
  char head_bytes[32] = {};
  in.read(head_bytes, sizeof head_bytes);
  const std::string head(head_bytes, static_cast<std::size_t>(in.gcount()));
  in.close();

  auto registry = std::make_unique<MemoryRegistry>();
  if (LooksLikeCreg(head)) {
    if (!LoadCregFile(host_path, codepage, *registry, error)) return nullptr;
    *description = host_path + " (Windows 95/98/Me registry hive)";
    return registry;
  }
  // Exports in other encodings or of later Windows versions go to the REGEDIT4
  // reader too, which says why it refuses them.
  const bool export_like = head.rfind("REGEDIT", 0) == 0 || head.rfind("\xEF\xBB\xBF", 0) == 0 ||
                           head.rfind("\xFF\xFE", 0) == 0 || head.rfind("\xFE\xFF", 0) == 0 ||
                           head.rfind("Windows Registry Editor", 0) == 0;
  if (!export_like) {
    *error = host_path +
             " is neither a Windows 95/98/Me registry hive (SYSTEM.DAT, beginning with "
             "\"CREG\") nor a REGEDIT4 export (beginning with \"REGEDIT4\").";
    return nullptr;
  }
  const Regedit4Result loaded = LoadRegedit4File(host_path, *registry);
  if (!loaded.ok()) {
    *error = loaded.error;
    return nullptr;
  }
  *description = host_path + " (REGEDIT4 export)";
  return registry;
}

}  // namespace

std::unique_ptr<OfflineInstallation> OpenInstallation(const InstallationOptions& options,
                                                      std::string* error) {
  auto fail = [&](std::string text) -> std::unique_ptr<OfflineInstallation> {
    if (error) *error = std::move(text);
    return nullptr;
  };
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

  // The Windows folder, and in words where it came from (for messages). A Windows
  // folder named by the user makes the folder given drive C:.
  std::string windir = WithoutTrailingBackslash(options.windir);
  std::string windir_source = "as given";
  fs::path root = given;
  if (windir.empty()) {
    LocatedInstallation located = LocateInstallation(given, !options.registry_file.empty());
    if (!located.error.empty()) return fail(located.error);
    root = located.root;
    windir = located.windir;
  }
  const std::string root_text = root.string();
  auto files =
      std::make_unique<HostFileSystem>(std::map<char, std::string>{{'C', root_text}, {'Z', "/"}},
                                       std::vector<std::string>{root_text});
  if (windir.empty()) {
    windir = WinDirOfMsdosSys(ReadMsdosSys(root));
    windir_source = "named by MSDOS.SYS";
  }
  if (windir.empty()) {
    const auto candidates = TopLevelFolders(
        root, [](const fs::path& folder) { return IsWindowsFolder(folder, false); });
    if (candidates.size() > 1) {
      return fail("Several folders of " + root_text + " could be the Windows folder (" +
                  JoinNames(candidates) +
                  "): each holds SYSTEM.DAT with WIN.COM or WIN.INI. Name the Windows folder.");
    }
    if (candidates.size() == 1) {
      windir = candidates.front();
      windir_source = "the folder holding SYSTEM.DAT";
    }
  }

  // The registry.
  std::string registry_path = options.registry_file;
  std::string looked_for;
  if (registry_path.empty() && !windir.empty()) {
    const std::string hive = files->ToHostPath(windir + "\\SYSTEM.DAT");
    if (IsFile(hive)) {
      registry_path = hive;
    } else {
      looked_for = "the Windows folder " + windir + " (" + windir_source + ") holds no SYSTEM.DAT";
    }
  }
  if (registry_path.empty()) {
    if (looked_for.empty()) {
      looked_for =
          "MSDOS.SYS names no Windows folder ([Paths] WinDir=) and no top-level folder holds "
          "SYSTEM.DAT with WIN.COM or WIN.INI";
    }
    const fs::path beside = FindEntry(root.parent_path(), "system.reg");
    if (!IsFile(beside)) {
      return fail("No registry found for the installation in " + root_text + ": " + looked_for +
                  ", and " + root.parent_path().string() +
                  " holds no REGEDIT4 export system.reg. Name the registry file (a SYSTEM.DAT "
                  "hive or a REGEDIT4 export).");
    }
    registry_path = beside.string();
  }

  // A registry from elsewhere still needs a Windows folder for the INF files.
  if (windir.empty()) {
    const auto candidates =
        TopLevelFolders(root, [](const fs::path& folder) { return IsWindowsFolder(folder, true); });
    if (candidates.size() > 1) {
      return fail("Several folders of " + root_text + " could be the Windows folder (" +
                  JoinNames(candidates) +
                  "): each holds WIN.COM or WIN.INI. Name the Windows folder.");
    }
    windir = candidates.size() == 1 ? candidates.front() : "C:\\WINDOWS";
  }

  auto installation = std::make_unique<OfflineInstallation>();
  std::string load_error;
  installation->registry = LoadRegistryFile(registry_path, options.codepage,
                                            &installation->registry_description, &load_error);
  if (installation->registry == nullptr) return fail(load_error);
  installation->files = std::move(files);
  auto environment = std::make_unique<MapEnvironment>();
  environment->Set("windir", windir);
  installation->environment = std::move(environment);
  installation->windir = windir;
  return installation;
}

}  // namespace veskaro::platform
