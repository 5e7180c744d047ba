// A disk image opened for reading: raw and split raw files and block devices, VHD,
// VMDK and EWF through The Sleuth Kit's own readers, qcow2 through libqcow handed to
// it as an external image. The image is only ever read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct TSK_IMG_INFO;

namespace veskaro::platform {

class DiskImage {
 public:
  DiskImage(TSK_IMG_INFO* info, std::string path, std::string format);
  ~DiskImage();
  DiskImage(const DiskImage&) = delete;
  DiskImage& operator=(const DiskImage&) = delete;

  /// The library's handle, for opening volumes and file systems on the image.
  TSK_IMG_INFO* info() const { return info_; }
  /// The image's host path as the user gave it.
  const std::string& path() const { return path_; }
  /// "raw", "VHD", "VMDK", "EWF" or "qcow2".
  const std::string& format() const { return format_; }
  /// The size of the disk the image holds, in bytes.
  std::uint64_t size() const;

 private:
  TSK_IMG_INFO* info_;
  std::string path_;
  std::string format_;
};

/// Opens the disk image at host path `path` (a file, the first file of a split raw
/// image, or a block device) read-only. The format is told by content: qcow2 goes
/// through libqcow, everything else through The Sleuth Kit's detection; a file that
/// none of them knows is read as a raw disk. Formats that cannot be read (VirtualBox
/// VDI, VHDX, Parallels) are refused with a message that says how to convert them.
/// @return null, with `*error` one sentence naming the image and what is wrong.
std::unique_ptr<DiskImage> OpenDiskImage(const std::string& path, std::string* error);

/// The Sleuth Kit's description of its last error, on one line, or `fallback`.
std::string TskErrorText(const std::string& fallback = "no detail given");

}  // namespace veskaro::platform
