#include "platform/offline/windows_folder.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/memory_environment.h"
#include "platform/memory_registry.h"
#include "platform/offline/creg_registry.h"
#include "platform/regedit4.h"
#include "platform/short_names.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;

// MSDOS.SYS is about 1.5 KB; more than this is not a boot configuration file.
constexpr std::size_t kMaxMsdosSys = 64 * 1024;
// Hives of Windows 9x stay far below this; anything larger is not one.
constexpr std::size_t kMaxHive = 256u * 1024 * 1024;

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
std::string WinDirOfText(const std::string& text) {
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

// Up to `limit` bytes of file `path`; false, with `*why`, when it cannot be read or
// is larger.
bool ReadFile(FileSystem& files, const std::string& path, std::size_t limit, std::string* bytes,
              std::string* why) {
  auto source = files.OpenRead(path, why);
  if (source == nullptr) return false;
  bytes->clear();
  char buffer[65536];
  for (;;) {
    const std::ptrdiff_t got = source->Read(buffer, sizeof buffer, why);
    if (got < 0) return false;
    if (got == 0) return true;
    if (bytes->size() + static_cast<std::size_t>(got) > limit) {
      *why = "it is far larger than such a file can be";
      return false;
    }
    bytes->append(buffer, static_cast<std::size_t>(got));
  }
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

// Loads a registry file of the host, telling a hive from a REGEDIT4 export by its
// first bytes.
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

// Loads the hive at Windows path `path` of a drive that is no host folder, from
// memory: it never becomes a file the user sees.
std::unique_ptr<MemoryRegistry> LoadHive(FileSystem& files, const std::string& path,
                                         const std::string& where, int codepage,
                                         std::string* description, std::string* error) {
  const std::string name = path + " on " + where;
  std::string bytes;
  std::string why;
  if (!ReadFile(files, path, kMaxHive, &bytes, &why)) {
    *error = "Cannot read the registry file " + name + ": " + why + ".";
    return nullptr;
  }
  auto registry = std::make_unique<MemoryRegistry>();
  if (!LoadCregBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), name, codepage,
                     *registry, error)) {
    return nullptr;
  }
  *description = name + " (Windows 95/98/Me registry hive)";
  return registry;
}

}  // namespace

std::string WinDirOfMsdosSys(FileSystem& files) {
  std::string text;
  std::string why;
  if (!ReadFile(files, "C:\\MSDOS.SYS", kMaxMsdosSys, &text, &why)) return {};
  return WinDirOfText(text);
}

bool HoldsFile(FileSystem& files, const std::string& path) {
  std::string why;
  return files.OpenRead(path, &why) != nullptr;
}

bool IsWindowsFolder(FileSystem& files, const std::string& folder, bool registry_elsewhere) {
  return (HoldsFile(files, folder + "\\WIN.COM") || HoldsFile(files, folder + "\\WIN.INI")) &&
         (registry_elsewhere || HoldsFile(files, folder + "\\SYSTEM.DAT"));
}

std::vector<std::string> WindowsFolders(const DriveC& drive, bool registry_elsewhere) {
  std::vector<std::string> found;
  for (const std::string& name : drive.top_level_folders) {
    const std::string folder = "C:\\" + name;
    if (IsWindowsFolder(*drive.files, folder, registry_elsewhere)) found.push_back(folder);
  }
  return found;
}

bool MsdosSysNamesWindows(FileSystem& files) {
  const std::string windir = WinDirOfMsdosSys(files);
  return !windir.empty() && HoldsFile(files, windir + "\\SYSTEM.DAT");
}

std::unique_ptr<OfflineInstallation> CompleteInstallation(DriveC drive,
                                                          const InstallationOptions& options,
                                                          std::string* error) {
  auto fail = [&](std::string text) -> std::unique_ptr<OfflineInstallation> {
    if (error) *error = std::move(text);
    return nullptr;
  };
  FileSystem& files = *drive.files;

  // The Windows folder, and in words where it came from (for messages).
  std::string windir = WithoutTrailingBackslash(options.windir);
  std::string windir_source = "as given";
  if (windir.empty()) {
    windir = WinDirOfMsdosSys(files);
    windir_source = "named by MSDOS.SYS";
  }
  if (windir.empty()) {
    const auto candidates = WindowsFolders(drive, false);
    if (candidates.size() > 1) {
      return fail("Several folders of " + drive.where + " could be the Windows folder (" +
                  JoinNames(candidates) +
                  "): each holds SYSTEM.DAT with WIN.COM or WIN.INI. Name the Windows folder.");
    }
    if (candidates.size() == 1) {
      windir = candidates.front();
      windir_source = "the folder holding SYSTEM.DAT";
    }
  }

  // The registry: a host file, or the hive on the drive.
  std::string registry_path = options.registry_file;
  std::string hive;
  std::string looked_for;
  if (registry_path.empty() && !windir.empty()) {
    if (HoldsFile(files, windir + "\\SYSTEM.DAT")) {
      hive = windir + "\\SYSTEM.DAT";
      if (drive.host_path_of) registry_path = drive.host_path_of(hive);
    } else {
      looked_for = "the Windows folder " + windir + " (" + windir_source + ") holds no SYSTEM.DAT";
    }
  }
  if (registry_path.empty() && hive.empty()) {
    if (looked_for.empty()) {
      looked_for =
          "MSDOS.SYS names no Windows folder ([Paths] WinDir=) and no top-level folder holds "
          "SYSTEM.DAT with WIN.COM or WIN.INI";
    }
    const std::string name_it =
        "Name the registry file (a SYSTEM.DAT hive or a REGEDIT4 export).";
    if (drive.beside.empty()) {
      return fail("No registry found for the installation on " + drive.where + ": " + looked_for +
                  ". " + name_it);
    }
    std::string beside;
    std::error_code ec;
    for (fs::directory_iterator it(drive.beside, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code kind_ec;
      if (EqualsIgnoreCase1252(it->path().filename().string(), "system.reg") &&
          it->is_regular_file(kind_ec)) {
        beside = it->path().string();
        break;
      }
    }
    if (beside.empty()) {
      return fail("No registry found for the installation in " + drive.where + ": " + looked_for +
                  ", and " + drive.beside + " holds no REGEDIT4 export system.reg. " + name_it);
    }
    registry_path = beside;
  }

  // A registry from elsewhere still needs a Windows folder for the INF files.
  if (windir.empty()) {
    const auto candidates = WindowsFolders(drive, true);
    if (candidates.size() > 1) {
      return fail("Several folders of " + drive.where + " could be the Windows folder (" +
                  JoinNames(candidates) +
                  "): each holds WIN.COM or WIN.INI. Name the Windows folder.");
    }
    windir = candidates.size() == 1 ? candidates.front() : "C:\\WINDOWS";
  }

  auto installation = std::make_unique<OfflineInstallation>();
  std::string load_error;
  installation->registry =
      !registry_path.empty()
          ? LoadRegistryFile(registry_path, options.codepage, &installation->registry_description,
                             &load_error)
          : LoadHive(files, hive, drive.where, options.codepage,
                     &installation->registry_description, &load_error);
  if (installation->registry == nullptr) return fail(load_error);
  installation->files = std::move(drive.files);
  auto environment = std::make_unique<MapEnvironment>();
  environment->Set("windir", windir);
  installation->environment = std::move(environment);
  installation->windir = windir;
  return installation;
}

}  // namespace veskaro::platform
