// Names stored on a FAT volume, turned into the installation's code page: long
// names (UTF-16 on the volume, UTF-8 as The Sleuth Kit hands them over) and 8.3
// names (bytes of the DOS code page that goes with the installation's code page).
#pragma once

#include <string>
#include <string_view>

namespace veskaro::platform {

class VolumeNames {
 public:
  /// `codepage`: the installation's Windows code page (1252, 1250, 932...).
  explicit VolumeNames(int codepage);
  ~VolumeNames();
  VolumeNames(const VolumeNames&) = delete;
  VolumeNames& operator=(const VolumeNames&) = delete;

  /// A long name in the code page; a character the code page lacks becomes "?", as
  /// the ANSI functions of Windows 95 give it.
  std::string FromUtf8(std::string_view utf8) const;
  /// An 8.3 name's bytes in the code page (DOS code page 850 for 1252, 852 for
  /// 1250, 866 for 1251...; the double-byte code pages are their own).
  std::string FromOem(std::string_view oem) const;

 private:
  void* from_utf8_;  // iconv_t
  void* from_oem_;   // iconv_t
};

}  // namespace veskaro::platform
