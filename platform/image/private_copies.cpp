#include "platform/image/private_copies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/short_names.h"

namespace veskaro::platform {

PrivateCopies::PrivateCopies(FileSystem& files) : files_(files) {}

PrivateCopies::~PrivateCopies() {
  if (folder_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string PrivateCopies::CopyOf(std::string_view windows_path) {
  WindowsPath parsed;
  if (!ParseWindowsPath(windows_path, &parsed) || parsed.components.empty()) return {};
  std::string error;
  const std::unique_ptr<ByteSource> source = files_.OpenRead(windows_path, &error);
  if (source == nullptr) return {};
  if (folder_.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                          "/veskaro-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};  // mode 0700
    folder_ = pattern;
  }
  // One folder per copy, so that two files of one name never meet.
  const std::string folder = folder_ + "/" + std::to_string(++count_);
  if (mkdir(folder.c_str(), 0700) != 0) return {};
  std::string name = parsed.components.back();
  for (char& c : name) {
    if (c < 0x20 || c > 0x7E || c == '/') c = '_';
  }
  const std::string path = folder + "/" + name;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0400);
  if (fd < 0) return {};
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const std::ptrdiff_t got = source->Read(buffer, sizeof buffer, &error);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (std::ptrdiff_t done = 0; ok && done < got;) {
      const ssize_t wrote = write(fd, buffer + done, static_cast<std::size_t>(got - done));
      ok = wrote > 0;
      done += wrote > 0 ? wrote : 0;
    }
    if (!ok) break;
  }
  if (close(fd) != 0) ok = false;
  if (!ok) {
    unlink(path.c_str());
    return {};
  }
  return path;
}

}  // namespace veskaro::platform
