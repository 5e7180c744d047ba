#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <cstdio>

#include "platform/short_names.h"
#include "platform/win32/win32_error.h"

// <windows.h> spells CopyFile as a macro for CopyFileA; the method keeps its name.
#undef CopyFile

namespace veskaro::platform {
namespace {

class Win32ByteSource : public ByteSource {
 public:
  Win32ByteSource(HANDLE file, std::string path) : file_(file), path_(std::move(path)) {}
  ~Win32ByteSource() override { CloseHandle(file_); }

  std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) override {
    DWORD wanted = capacity > (1u << 30) ? (1u << 30) : static_cast<DWORD>(capacity);
    DWORD got = 0;
    if (!ReadFile(file_, buffer, wanted, &got, nullptr)) {
      *error = "Reading " + path_ + ": " + Win32ErrorText(GetLastError());
      return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
  }

 private:
  HANDLE file_;
  std::string path_;
};

bool Wanted(const WIN32_FIND_DATAA& entry, SearchKind kind) {
  // A pattern also matches the "." and ".." of a folder, which are no entries of it.
  const std::string_view name = entry.cFileName;
  if (name == "." || name == "..") return false;
  DWORD attributes = entry.dwFileAttributes;
  if (kind == SearchKind::kDirectory) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return (attributes &
          (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

// A name in `folder` (ending in a backslash, or empty) that no entry has: 8.3 so
// that it is valid on any FAT volume. Uniqueness is settled by the exclusive copy.
std::string TemporaryName(const std::string& folder, DWORD seed) {
  char name[16];
  std::snprintf(name, sizeof name, "~VSK%04lX.TMP", static_cast<unsigned long>(seed & 0xFFFF));
  return folder + name;
}

// Whether the last component of `path` (one trailing separator aside) is a name
// Windows accepts for a file or folder. Checked before writing, so that a name the
// volume would take otherwise (a stream "a:b" on NTFS) is refused as on FAT.
bool ValidLastName(std::string_view path) {
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  const std::size_t separator = path.find_last_of("\\/");
  return IsValidLongName(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

}  // namespace

std::string Win32FileSystem::FindFirst(std::string_view path, SearchKind kind) const {
  std::string pattern(path);
  if (kind == SearchKind::kDirectory && pattern.size() > 1 && pattern.back() == '\\' &&
      pattern[pattern.size() - 2] != ':') {
    pattern.pop_back();
  }
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return {};
  std::string found;
  do {
    if (Wanted(entry, kind)) {
      found = entry.cFileName;
      break;
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return found;
}

FsStatus Win32FileSystem::MakeDirectory(std::string_view path) {
  std::string folder(path);
  if (!ValidLastName(folder))
    return FsStatusFromWin32Error(ERROR_INVALID_NAME, "Creating " + folder);
  if (CreateDirectoryA(folder.c_str(), nullptr)) return {};
  return FsStatusFromWin32Error(GetLastError(), "Creating " + folder);
}

FsStatus Win32FileSystem::CopyFile(std::string_view from, std::string_view to) {
  std::string source(from);
  std::string target(to);
  std::string what = "Copying " + source + " to " + target;
  if (!ValidLastName(target)) return FsStatusFromWin32Error(ERROR_INVALID_NAME, what);

  // A read-only file or a folder under the target name is not replaced.
  DWORD existing = GetFileAttributesA(target.c_str());
  bool target_exists = existing != INVALID_FILE_ATTRIBUTES;
  if (target_exists && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return FsStatusFromWin32Error(ERROR_ACCESS_DENIED, what);
  }

  std::size_t slash = target.rfind('\\');
  std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  if (target_exists) {
    // Replaced in place, the file keeps the spelling its folder stores it under.
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(target.c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      target = folder + entry.cFileName;
      FindClose(search);
    }
  }
  DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 4);

  // 1. The whole copy under a fresh temporary name.
  std::string copy;
  for (DWORD attempt = 0;; ++attempt) {
    copy = TemporaryName(folder, seed + attempt);
    if (CopyFileA(source.c_str(), copy.c_str(), TRUE)) break;
    DWORD error = GetLastError();
    if ((error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) && attempt < 64) continue;
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      DeleteFileA(copy.c_str());  // a partial copy, if the failure left one
    }
    return FsStatusFromWin32Error(error, what);
  }

  // 2. The copy takes the target's name.
  if (MoveFileA(copy.c_str(), target.c_str())) return {};
  DWORD error = GetLastError();
  if (!target_exists || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) {
    DeleteFileA(copy.c_str());
    return FsStatusFromWin32Error(error, what);
  }
  // 3. Replacing: the old file steps aside under a temporary name first.
  std::string old;
  for (DWORD attempt = 1;; ++attempt) {
    old = TemporaryName(folder, seed + 64 + attempt);
    if (MoveFileA(target.c_str(), old.c_str())) break;
    error = GetLastError();
    if ((error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) && attempt < 64) continue;
    DeleteFileA(copy.c_str());
    return FsStatusFromWin32Error(error, what);
  }
  if (!MoveFileA(copy.c_str(), target.c_str())) {
    error = GetLastError();
    MoveFileA(old.c_str(), target.c_str());
    DeleteFileA(copy.c_str());
    return FsStatusFromWin32Error(error, what);
  }
  DeleteFileA(old.c_str());
  return {};
}

std::unique_ptr<ByteSource> Win32FileSystem::OpenRead(std::string_view path, std::string* error) {
  std::string name(path);
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = "Opening " + name + ": " + Win32ErrorText(GetLastError());
    return nullptr;
  }
  return std::make_unique<Win32ByteSource>(file, name);
}

}  // namespace veskaro::platform
