// A fresh folder for one test, and the file helpers tests use on it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace veskaro::testing {

/// A new empty folder below the system's temporary folder, named `prefix` and a
/// random part; it is removed with everything in it (read-only entries included)
/// when the object goes.
class TempFolder {
 public:
  explicit TempFolder(std::string_view prefix = "veskaro");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// A path below the folder.
  std::filesystem::path operator/(const std::filesystem::path& relative) const {
    return path_ / relative;
  }

 private:
  std::filesystem::path path_;
};

/// Removes `path` and everything below it, making read-only entries writable
/// first; a path that does not exist is fine.
void RemoveTree(const std::filesystem::path& path);

/// Writes `bytes` to the file `path` (created or replaced), creating its folders.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

/// The bytes of the file `path` (empty when it cannot be read).
std::string ReadFile(const std::filesystem::path& path);

}  // namespace veskaro::testing
