#include "testing/temp_folder.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace veskaro::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view prefix) {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "_%08x", static_cast<unsigned>(random()));
    const fs::path candidate = base / (std::string(prefix) + tail);
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made below " + base.string());
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const fs::path& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
  if (!fs::exists(path, ignored)) return;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (auto it = fs::recursive_directory_iterator(path, ignored);
       it != fs::recursive_directory_iterator();) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    std::error_code error;
    it.increment(error);
    if (error) break;  // an entry it cannot step past: remove what can be removed
  }
  fs::remove_all(path, ignored);
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::error_code ignored;
  fs::create_directories(path.parent_path(), ignored);
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace veskaro::testing
