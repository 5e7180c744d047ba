// A file system held in memory, for tests: a folder tree per drive letter, with
// Windows attributes, 8.3 alias lookup, injectable faults and a log of every write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace veskaro::platform {

/// Files and folders in memory, kept to the FileSystem contract. Specific to it:
/// entries keep Windows attributes (AddFile, AddDirectory), and a copy takes its
/// source's; a pattern yields the first match in the order the entries were added,
/// and wildcards in other components find nothing; a read-only target and a copy
/// onto its own source fail with kOther; faults can be injected, and every write
/// is logged.
class MemoryFileSystem : public FileSystem {
 public:
  /// Windows attribute bits.
  enum Attribute : unsigned {
    kReadOnly = 0x01,
    kHidden = 0x02,
    kSystem = 0x04,
  };

  /// One attempted write, successful or not, in the order they were made.
  struct WriteRecord {
    enum class Kind { kMakeDirectory, kCopyFile };
    Kind kind = Kind::kCopyFile;
    std::string path;  ///< the folder to make or the copy's target, as passed
    std::string from;  ///< the copy's source as passed; empty for a folder
    FsError error = FsError::kNone;
    std::uint64_t bytes_written = 0;  ///< bytes of this copy that reached the drive
  };

  MemoryFileSystem();
  ~MemoryFileSystem() override;
  MemoryFileSystem(const MemoryFileSystem&) = delete;
  MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

  /// Adds a file, or replaces the contents and attributes of an existing one,
  /// creating its drive and folders as needed. False when the path is not a full
  /// Windows path to a file or a file stands where a folder is needed.
  bool AddFile(std::string_view path, std::string_view contents, unsigned attributes = 0);
  /// Adds a folder and its parents ("C:\" makes just the drive). False when a file
  /// stands in the way.
  bool AddDirectory(std::string_view path, unsigned attributes = 0);

  // Faults. Paths of existing files are resolved like any lookup; the others are
  // compared ignoring letter case, after "." and ".." parts and repeated separators
  // are taken out.

  /// OpenRead of this existing file fails with `error`; copies from it fail with kOther.
  bool FailOpen(std::string_view path, std::string error = "Access denied");
  /// Reads of this existing file return -1 once `bytes` bytes have been read (at once
  /// when 0); copies from it fail with kOther and write nothing.
  bool FailReadAfter(std::string_view path, std::size_t bytes);
  /// Every copy to `path` that would otherwise succeed fails with `error`.
  void FailCopyTo(std::string_view path, FsError error, std::string detail = {});
  /// The next copy that would otherwise succeed fails with `error` (once).
  void FailNextCopy(FsError error, std::string detail = {});
  /// Copies succeed while the bytes they write in total stay within `bytes`; the copy
  /// that would go beyond fails with `error` after writing up to the limit into a
  /// temporary that it then removes (so its target is untouched), as a drive that
  /// fills up does. Later copies fail likewise unless they write nothing.
  void FailCopiesAfterBytes(std::uint64_t bytes, FsError error = FsError::kDiskFull);
  /// MakeDirectory of `path` fails with `error` (when the folder could otherwise be made).
  void FailMakeDirectory(std::string_view path, FsError error = FsError::kOther);
  /// Removes every fault set up so far (OpenRead and read faults included).
  void ClearFaults();

  // Inspection.

  /// The contents of the file at `path`, or nothing when no file is there.
  std::optional<std::string> FileContents(std::string_view path) const;
  /// The attributes of the file or folder at `path`, or nothing when absent.
  std::optional<unsigned> Attributes(std::string_view path) const;
  /// Full paths, as stored, of every file, drive by drive in folder order.
  std::vector<std::string> Files() const;
  /// Full paths, as stored, of every folder below the drive roots.
  std::vector<std::string> Directories() const;
  /// Every write attempted through MakeDirectory and CopyFile.
  const std::vector<WriteRecord>& writes() const { return writes_; }

  std::string FindFirst(std::string_view path, SearchKind kind) const override;
  FsStatus MakeDirectory(std::string_view path) override;
  FsStatus CopyFile(std::string_view from, std::string_view to) override;
  std::unique_ptr<ByteSource> OpenRead(std::string_view path, std::string* error) override;

 private:
  struct Node;
  struct Fault {
    FsError error;
    std::string detail;
  };

  Node* Find(std::string_view path) const;
  FsStatus Copy(std::string_view from, std::string_view to, std::uint64_t* bytes_written);
  FsStatus Make(std::string_view path);

  std::map<char, std::unique_ptr<Node>> drives_;
  std::map<std::string, Fault> copy_faults_;     // by folded path
  std::map<std::string, FsError> mkdir_faults_;  // by folded path
  std::optional<Fault> next_copy_fault_;
  std::optional<std::uint64_t> write_budget_;
  FsError budget_error_ = FsError::kDiskFull;
  std::uint64_t budget_used_ = 0;
  std::vector<WriteRecord> writes_;
};

}  // namespace veskaro::platform
