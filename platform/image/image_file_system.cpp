#include "platform/image/image_file_system.h"

#include "platform/short_names.h"

namespace veskaro::platform {
namespace {

// The drive letter of a Windows path, or 0.
char DriveOf(std::string_view path) {
  WindowsPath parsed;
  return ParseWindowsPath(path, &parsed) ? parsed.drive : 0;
}

}  // namespace

struct ImageFileSystem::Resolved {
  WindowsPath path;
  FatVolume* volume = nullptr;
  const FatVolume::Folder* folder = nullptr;  // the folder holding the last component
  std::string folder_name;                    // its stored name ("X:\" for a root)
};

ImageFileSystem::ImageFileSystem(std::map<char, std::shared_ptr<FatVolume>> drives,
                                 std::unique_ptr<HostFileSystem> host,
                                 std::map<char, std::string> places)
    : host_(std::move(host)) {
  for (auto& [letter, volume] : drives) drives_[UpperCase1252(letter)] = std::move(volume);
  for (auto& [letter, place] : places) places_[UpperCase1252(letter)] = std::move(place);
}

ImageFileSystem::~ImageFileSystem() = default;

bool ImageFileSystem::HasDrive(char letter) const {
  return drives_.count(UpperCase1252(letter)) != 0;
}

// Parses `path` and walks its folders: every component when the path ends in "\"
// (or names a root), else all but the last.
bool ImageFileSystem::Resolve(std::string_view path, Resolved* out) const {
  if (!ParseWindowsPath(path, &out->path)) return false;
  const auto drive = drives_.find(out->path.drive);
  if (drive == drives_.end()) return false;
  out->volume = drive->second.get();
  out->folder = out->volume->Root(nullptr);
  out->folder_name = std::string(1, out->path.drive) + ":\\";
  if (out->folder == nullptr) return false;
  const auto& parts = out->path.components;
  const bool whole = parts.empty() || out->path.trailing_separator;
  const std::size_t count = whole ? parts.size() : parts.size() - 1;
  for (std::size_t i = 0; i < count; ++i) {
    const FatVolume::Entry* entry = out->folder->Find(parts[i]);
    if (entry == nullptr || !entry->is_folder()) return false;
    out->folder = out->volume->Subfolder(*out->folder, *entry, nullptr);
    if (out->folder == nullptr) return false;
    out->folder_name = entry->name;
  }
  return true;
}

std::string ImageFileSystem::FindFirst(std::string_view path, SearchKind kind) const {
  if (host_ != nullptr && !HasDrive(DriveOf(path))) return host_->FindFirst(path, kind);
  const bool want_folder = kind == SearchKind::kDirectory;
  Resolved resolved;
  if (!Resolve(path, &resolved)) return {};
  const auto& parts = resolved.path.components;
  if (parts.empty() || resolved.path.trailing_separator) {
    return want_folder ? resolved.folder_name : std::string();
  }
  auto fits = [&](const FatVolume::Entry& entry) {
    if (want_folder) return entry.is_folder();
    return !entry.is_folder() && (entry.attributes & (kFatHidden | kFatSystem)) == 0;
  };
  const std::string& last = parts.back();
  if (HasWildcard(last)) {
    for (const FatVolume::Entry& entry : resolved.folder->entries()) {
      if (fits(entry) && (MatchesWildcard(last, entry.name) ||
                          (!entry.alias.empty() && MatchesWildcard(last, entry.alias)))) {
        return entry.name;
      }
    }
    return {};
  }
  const FatVolume::Entry* entry = resolved.folder->Find(last);
  return entry != nullptr && fits(*entry) ? entry->name : std::string();
}

std::unique_ptr<ByteSource> ImageFileSystem::OpenRead(std::string_view path, std::string* error) {
  if (host_ != nullptr && !HasDrive(DriveOf(path))) return host_->OpenRead(path, error);
  Resolved resolved;
  const FatVolume::Entry* entry = nullptr;
  if (Resolve(path, &resolved) && !resolved.path.components.empty() &&
      !resolved.path.trailing_separator) {
    entry = resolved.folder->Find(resolved.path.components.back());
  }
  if (entry == nullptr) {
    if (error) *error = "File not found: " + std::string(path);
    return nullptr;
  }
  std::string why;
  auto source = resolved.volume->OpenFile(*entry, &why);
  if (source == nullptr && error) *error = std::string(path) + ": " + why;
  return source;
}

HostLocation ImageFileSystem::LocateOnHost(std::string_view path) const {
  if (!HasDrive(DriveOf(path)))
    return host_ != nullptr ? host_->LocateOnHost(path) : HostLocation{};
  Resolved resolved;
  if (!Resolve(path, &resolved)) return {};
  std::string inside = resolved.folder->path();
  const auto& parts = resolved.path.components;
  if (!parts.empty() && !resolved.path.trailing_separator) {
    const FatVolume::Entry* entry = resolved.folder->Find(parts.back());
    if (entry == nullptr) return {};
    if (inside.back() != '\\') inside += '\\';
    inside += entry->name;
  }
  const auto place = places_.find(resolved.path.drive);
  if (place != places_.end()) inside = place->second + ":" + inside;
  return HostLocation{resolved.volume->image().path(), std::move(inside)};
}

FsStatus ImageFileSystem::MakeDirectory(std::string_view path) {
  if (host_ != nullptr && !HasDrive(DriveOf(path))) return host_->MakeDirectory(path);
  return FsStatus{FsError::kOther,
                  "Cannot create folder " + std::string(path) + ": the disk image is read-only"};
}

FsStatus ImageFileSystem::CopyFile(std::string_view from, std::string_view to) {
  const bool from_image = HasDrive(DriveOf(from));
  if (HasDrive(DriveOf(to)) || host_ == nullptr) {
    return FsStatus{FsError::kOther,
                    "Cannot write " + std::string(to) + ": the disk image is read-only"};
  }
  if (!from_image) return host_->CopyFile(from, to);
  Resolved resolved;
  if (!Resolve(from, &resolved)) {
    return FsStatus{FsError::kPathNotFound, "Path not found: " + std::string(from)};
  }
  const FatVolume::Entry* entry =
      resolved.path.components.empty() || resolved.path.trailing_separator
          ? nullptr
          : resolved.folder->Find(resolved.path.components.back());
  if (entry == nullptr || entry->is_folder()) {
    return FsStatus{FsError::kOther, "File not found: " + std::string(from)};
  }
  std::string why;
  std::int64_t modified = 0;
  auto source = resolved.volume->OpenFile(*entry, &why, &modified);
  if (source == nullptr) {
    return FsStatus{FsError::kOther, "Cannot read " + std::string(from) + ": " + why};
  }
  return host_->CopyIn(*source, from, to, modified);
}

}  // namespace veskaro::platform
