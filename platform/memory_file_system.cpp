#include "platform/memory_file_system.h"

#include <algorithm>
#include <utility>

#include "platform/short_names.h"

namespace veskaro::platform {

struct MemoryFileSystem::Node {
  std::string name;
  bool is_directory = false;
  unsigned attributes = 0;
  std::string contents;
  std::vector<std::unique_ptr<Node>> children;
  std::optional<std::string> open_error;
  std::optional<std::size_t> read_error_after;

  Node* Child(std::string_view component) const {
    if (!is_directory) return nullptr;
    const std::size_t index = MatchFolderEntryBy(
        children.size(), [this](std::size_t i) -> const std::string& { return children[i]->name; },
        component);
    return index == kNoEntry ? nullptr : children[index].get();
  }

  Node* Add(std::string_view child_name, bool directory) {
    auto node = std::make_unique<Node>();
    node->name = std::string(child_name);
    node->is_directory = directory;
    children.push_back(std::move(node));
    return children.back().get();
  }
};

namespace {

class StringSource : public ByteSource {
 public:
  StringSource(std::string contents, std::optional<std::size_t> fail_after)
      : contents_(std::move(contents)), fail_after_(fail_after) {}

  std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) override {
    std::size_t limit = contents_.size();
    if (fail_after_ && *fail_after_ < limit) {
      limit = *fail_after_;
      if (position_ == limit) {
        if (error) *error = "Read error (simulated)";
        return -1;
      }
    }
    const std::size_t count = std::min(capacity, limit - position_);
    std::copy_n(contents_.data() + position_, count, buffer);
    position_ += count;
    return static_cast<std::ptrdiff_t>(count);
  }

 private:
  std::string contents_;
  std::optional<std::size_t> fail_after_;
  std::size_t position_ = 0;
};

// The path as a fault key: drive and parts, lower case.
std::string FoldedPath(std::string_view path) {
  WindowsPath parsed;
  if (!ParseWindowsPath(path, &parsed)) return LowerCase1252(path);
  std::string key(1, LowerCase1252(parsed.drive));
  key += ':';
  for (const std::string& part : parsed.components) key += "\\" + LowerCase1252(part);
  return key;
}

FsStatus Fail(FsError error, std::string detail) { return FsStatus{error, std::move(detail)}; }

}  // namespace

MemoryFileSystem::MemoryFileSystem() = default;
MemoryFileSystem::~MemoryFileSystem() = default;

bool MemoryFileSystem::AddFile(std::string_view path, std::string_view contents,
                               unsigned attributes) {
  WindowsPath parsed;
  if (!ParseWindowsPath(path, &parsed) || parsed.components.empty() || parsed.trailing_separator ||
      !IsValidLongName(parsed.components.back())) {
    return false;
  }
  auto& root = drives_[parsed.drive];
  if (!root) {
    root = std::make_unique<Node>();
    root->is_directory = true;
  }
  Node* node = root.get();
  for (std::size_t i = 0; i + 1 < parsed.components.size(); ++i) {
    Node* next = node->Child(parsed.components[i]);
    if (!next) next = node->Add(parsed.components[i], true);
    if (!next->is_directory) return false;
    node = next;
  }
  Node* file = node->Child(parsed.components.back());
  if (file && file->is_directory) return false;
  if (!file) file = node->Add(parsed.components.back(), false);
  file->contents = std::string(contents);
  file->attributes = attributes;
  return true;
}

bool MemoryFileSystem::AddDirectory(std::string_view path, unsigned attributes) {
  WindowsPath parsed;
  if (!ParseWindowsPath(path, &parsed)) return false;
  auto& root = drives_[parsed.drive];
  if (!root) {
    root = std::make_unique<Node>();
    root->is_directory = true;
  }
  Node* node = root.get();
  for (const std::string& part : parsed.components) {
    if (!IsValidLongName(part)) return false;
    Node* next = node->Child(part);
    if (!next) next = node->Add(part, true);
    if (!next->is_directory) return false;
    node = next;
  }
  if (!parsed.components.empty()) node->attributes = attributes;
  return true;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(std::string_view path) const {
  WindowsPath parsed;
  if (!ParseWindowsPath(path, &parsed)) return nullptr;
  auto it = drives_.find(parsed.drive);
  if (it == drives_.end()) return nullptr;
  Node* node = it->second.get();
  for (const std::string& part : parsed.components) {
    if (HasWildcard(part)) return nullptr;
    node = node->Child(part);
    if (!node) return nullptr;
  }
  return node;
}

bool MemoryFileSystem::FailOpen(std::string_view path, std::string error) {
  Node* node = Find(path);
  if (!node || node->is_directory) return false;
  node->open_error = std::move(error);
  return true;
}

bool MemoryFileSystem::FailReadAfter(std::string_view path, std::size_t bytes) {
  Node* node = Find(path);
  if (!node || node->is_directory) return false;
  node->read_error_after = bytes;
  return true;
}

void MemoryFileSystem::FailCopyTo(std::string_view path, FsError error, std::string detail) {
  copy_faults_[FoldedPath(path)] = Fault{error, std::move(detail)};
}

void MemoryFileSystem::FailNextCopy(FsError error, std::string detail) {
  next_copy_fault_ = Fault{error, std::move(detail)};
}

void MemoryFileSystem::FailCopiesAfterBytes(std::uint64_t bytes, FsError error) {
  write_budget_ = bytes;
  budget_error_ = error;
  budget_used_ = 0;
}

void MemoryFileSystem::FailMakeDirectory(std::string_view path, FsError error) {
  mkdir_faults_[FoldedPath(path)] = error;
}

void MemoryFileSystem::ClearFaults() {
  copy_faults_.clear();
  mkdir_faults_.clear();
  next_copy_fault_.reset();
  write_budget_.reset();
  budget_used_ = 0;
  std::vector<Node*> pending;
  for (auto& [letter, root] : drives_) pending.push_back(root.get());
  while (!pending.empty()) {
    Node* node = pending.back();
    pending.pop_back();
    node->open_error.reset();
    node->read_error_after.reset();
    for (auto& child : node->children) pending.push_back(child.get());
  }
}

std::optional<std::string> MemoryFileSystem::FileContents(std::string_view path) const {
  const Node* node = Find(path);
  if (!node || node->is_directory) return std::nullopt;
  return node->contents;
}

std::optional<unsigned> MemoryFileSystem::Attributes(std::string_view path) const {
  const Node* node = Find(path);
  if (!node) return std::nullopt;
  return node->attributes;
}

namespace {

template <typename NodeT, typename Visit>
void Walk(const NodeT& node, const std::string& path, const Visit& visit) {
  for (const auto& child : node.children) {
    const std::string child_path = path + "\\" + child->name;
    visit(*child, child_path);
    if (child->is_directory) Walk(*child, child_path, visit);
  }
}

}  // namespace

std::vector<std::string> MemoryFileSystem::Files() const {
  std::vector<std::string> out;
  for (const auto& [letter, root] : drives_) {
    Walk(*root, std::string(1, letter) + ":", [&](const Node& node, const std::string& path) {
      if (!node.is_directory) out.push_back(path);
    });
  }
  return out;
}

std::vector<std::string> MemoryFileSystem::Directories() const {
  std::vector<std::string> out;
  for (const auto& [letter, root] : drives_) {
    Walk(*root, std::string(1, letter) + ":", [&](const Node& node, const std::string& path) {
      if (node.is_directory) out.push_back(path);
    });
  }
  return out;
}

std::string MemoryFileSystem::FindFirst(std::string_view path, SearchKind kind) const {
  WindowsPath parsed;
  if (!ParseWindowsPath(path, &parsed)) return {};
  auto drive = drives_.find(parsed.drive);
  if (drive == drives_.end()) return {};
  const bool want_folder = kind == SearchKind::kDirectory;
  if (parsed.components.empty() || parsed.trailing_separator) {
    // The path names a folder itself: only a folder search finds it.
    if (!want_folder) return {};
    const Node* node = Find(path);
    if (!node || !node->is_directory) return {};
    return parsed.components.empty() ? std::string(1, parsed.drive) + ":\\" : node->name;
  }
  auto fits = [&](const Node& node) {
    if (want_folder) return node.is_directory;
    return !node.is_directory && (node.attributes & (kHidden | kSystem)) == 0;
  };
  const Node* folder = drive->second.get();
  for (std::size_t i = 0; i + 1 < parsed.components.size(); ++i) {
    if (HasWildcard(parsed.components[i])) return {};
    folder = folder->Child(parsed.components[i]);
    if (!folder) return {};
  }
  if (!folder->is_directory) return {};
  const std::string& last = parsed.components.back();
  if (HasWildcard(last)) {
    for (const auto& child : folder->children) {
      if (fits(*child) && MatchesWildcard(last, child->name)) return child->name;
    }
    return {};
  }
  const Node* node = folder->Child(last);
  return node && fits(*node) ? node->name : std::string();
}

FsStatus MemoryFileSystem::MakeDirectory(std::string_view path) {
  FsStatus status = Make(path);
  writes_.push_back(
      WriteRecord{WriteRecord::Kind::kMakeDirectory, std::string(path), {}, status.error, 0});
  return status;
}

FsStatus MemoryFileSystem::Make(std::string_view path) {
  WindowsPath parsed;
  if (!ParseWindowsPath(path, &parsed)) {
    return Fail(FsError::kPathNotFound, "Not a full path: " + std::string(path));
  }
  if (parsed.components.empty()) {
    return Fail(FsError::kOther, "A drive root cannot be created: " + std::string(path));
  }
  auto drive = drives_.find(parsed.drive);
  Node* folder = drive == drives_.end() ? nullptr : drive->second.get();
  for (std::size_t i = 0; folder && i + 1 < parsed.components.size(); ++i) {
    folder = HasWildcard(parsed.components[i]) ? nullptr : folder->Child(parsed.components[i]);
  }
  if (!folder || !folder->is_directory) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(path));
  }
  const std::string& name = parsed.components.back();
  if (!IsValidLongName(name)) {
    return Fail(FsError::kOther, "Invalid folder name: " + std::string(path));
  }
  if (folder->Child(name)) {
    return Fail(FsError::kOther, "A file or folder of that name exists: " + std::string(path));
  }
  auto fault = mkdir_faults_.find(FoldedPath(path));
  if (fault != mkdir_faults_.end()) {
    return Fail(fault->second, "Cannot create folder (simulated): " + std::string(path));
  }
  folder->Add(name, true);
  return {};
}

FsStatus MemoryFileSystem::CopyFile(std::string_view from, std::string_view to) {
  std::uint64_t bytes_written = 0;
  FsStatus status = Copy(from, to, &bytes_written);
  writes_.push_back(WriteRecord{WriteRecord::Kind::kCopyFile, std::string(to), std::string(from),
                                status.error, bytes_written});
  return status;
}

FsStatus MemoryFileSystem::Copy(std::string_view from, std::string_view to,
                                std::uint64_t* bytes_written) {
  // The source.
  WindowsPath source_path;
  if (!ParseWindowsPath(from, &source_path) || source_path.components.empty() ||
      source_path.trailing_separator) {
    return Fail(FsError::kPathNotFound, "Not a full file path: " + std::string(from));
  }
  auto source_drive = drives_.find(source_path.drive);
  const Node* source_folder = source_drive == drives_.end() ? nullptr : source_drive->second.get();
  for (std::size_t i = 0; source_folder && i + 1 < source_path.components.size(); ++i) {
    const std::string& part = source_path.components[i];
    source_folder = HasWildcard(part) ? nullptr : source_folder->Child(part);
  }
  if (!source_folder || !source_folder->is_directory) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(from));
  }
  const Node* source = HasWildcard(source_path.components.back())
                           ? nullptr
                           : source_folder->Child(source_path.components.back());
  if (!source) return Fail(FsError::kOther, "File not found: " + std::string(from));
  if (source->is_directory) return Fail(FsError::kOther, "Is a folder: " + std::string(from));
  if (source->open_error) {
    return Fail(FsError::kOther, "Cannot read " + std::string(from) + ": " + *source->open_error);
  }
  if (source->read_error_after && *source->read_error_after < source->contents.size()) {
    return Fail(FsError::kOther, "Read error (simulated): " + std::string(from));
  }

  // The target's folder and name.
  WindowsPath target_path;
  if (!ParseWindowsPath(to, &target_path) || target_path.components.empty()) {
    return Fail(FsError::kPathNotFound, "Not a full file path: " + std::string(to));
  }
  auto target_drive = drives_.find(target_path.drive);
  Node* folder = target_drive == drives_.end() ? nullptr : target_drive->second.get();
  for (std::size_t i = 0; folder && i + 1 < target_path.components.size(); ++i) {
    const std::string& part = target_path.components[i];
    folder = HasWildcard(part) ? nullptr : folder->Child(part);
  }
  if (!folder || !folder->is_directory) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(to));
  }
  const std::string& name = target_path.components.back();
  if (target_path.trailing_separator || !IsValidLongName(name)) {
    return Fail(FsError::kOther, "Invalid file name: " + std::string(to));
  }
  Node* target = folder->Child(name);
  if (target && target->is_directory) {
    return Fail(FsError::kOther, "Is a folder: " + std::string(to));
  }
  if (target == source) {
    return Fail(FsError::kOther, "A file cannot be copied onto itself: " + std::string(to));
  }
  if (target && (target->attributes & kReadOnly)) {
    return Fail(FsError::kOther, "Access denied (read-only): " + std::string(to));
  }

  // Simulated device faults.
  auto fault = copy_faults_.find(FoldedPath(to));
  if (fault != copy_faults_.end()) {
    return Fail(fault->second.error, fault->second.detail.empty()
                                         ? "Copy failed (simulated): " + std::string(to)
                                         : fault->second.detail);
  }
  if (next_copy_fault_) {
    Fault once = std::move(*next_copy_fault_);
    next_copy_fault_.reset();
    return Fail(once.error,
                once.detail.empty() ? "Copy failed (simulated): " + std::string(to) : once.detail);
  }
  const std::uint64_t size = source->contents.size();
  if (write_budget_ && budget_used_ + size > *write_budget_) {
    *bytes_written = *write_budget_ - budget_used_;
    budget_used_ = *write_budget_;
    return Fail(budget_error_, "Copy stopped after " + std::to_string(*bytes_written) +
                                   " bytes (simulated): " + std::string(to));
  }
  budget_used_ += size;
  *bytes_written = size;

  if (!target) target = folder->Add(name, false);
  target->contents = source->contents;
  target->attributes = source->attributes;
  return {};
}

std::unique_ptr<ByteSource> MemoryFileSystem::OpenRead(std::string_view path, std::string* error) {
  auto fail = [&](std::string why) -> std::unique_ptr<ByteSource> {
    if (error) *error = std::move(why);
    return nullptr;
  };
  const Node* node = Find(path);
  if (!node) return fail("File not found: " + std::string(path));
  if (node->is_directory) return fail("Is a folder: " + std::string(path));
  if (node->open_error) return fail(*node->open_error);
  return std::make_unique<StringSource>(node->contents, node->read_error_after);
}

}  // namespace veskaro::platform
