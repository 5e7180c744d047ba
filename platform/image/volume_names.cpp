#include "platform/image/volume_names.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace veskaro::platform {
namespace {

const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);

std::string IconvName(int codepage) {
  switch (codepage) {
    case 20127:
      return "US-ASCII";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 28603:
      return "ISO-8859-13";
    case 28604:
      return "ISO-8859-14";
    case 28605:
      return "ISO-8859-15";
    case 28606:
      return "ISO-8859-16";
    default:
      break;
  }
  if (codepage > 28590 && codepage < 28600) return "ISO-8859-" + std::to_string(codepage - 28590);
  if (codepage == 28600) return "ISO-8859-10";
  if (codepage == 28601) return "ISO-8859-11";
  return "CP" + std::to_string(codepage);
}

// The DOS code page that Windows pairs with a Windows code page.
int OemCodepage(int codepage) {
  switch (codepage) {
    case 1250:
      return 852;
    case 1251:
    case 20866:
    case 21866:
      return 866;
    case 1253:
      return 737;
    case 1254:
      return 857;
    case 1255:
      return 862;
    case 1257:
      return 775;
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1258:
      return codepage;
    default:
      return 850;
  }
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Converts `in` through `cd`; an input character that cannot be converted becomes
// "?" and is skipped (`unit` says how many bytes one such character takes: a whole
// UTF-8 sequence, or one byte).
std::string Convert(iconv_t cd, std::string_view in, bool utf8) {
  if (cd == kNoConversion) {
    std::string out(in);
    for (char& c : out) {
      if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    return out;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  char buffer[256];
  char* from = const_cast<char*>(in.data());
  std::size_t left = in.size();
  while (left > 0) {
    char* to = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t done = iconv(cd, &from, &left, &to, &room);
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    if (done != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // An invalid or unconvertible character, or one cut short at the end.
    out += '?';
    std::size_t skip = 1;
    if (utf8) {
      while (skip < left && (static_cast<unsigned char>(from[skip]) & 0xC0) == 0x80) ++skip;
    }
    if (errno == EINVAL) skip = left;
    from += skip;
    left -= skip;
  }
  return out;
}

}  // namespace

VolumeNames::VolumeNames(int codepage) {
  const std::string target = IconvName(codepage);
  from_utf8_ = iconv_open(target.c_str(), "UTF-8");
  from_oem_ = iconv_open(target.c_str(), IconvName(OemCodepage(codepage)).c_str());
}

VolumeNames::~VolumeNames() {
  if (static_cast<iconv_t>(from_utf8_) != kNoConversion) iconv_close(from_utf8_);
  if (static_cast<iconv_t>(from_oem_) != kNoConversion) iconv_close(from_oem_);
}

std::string VolumeNames::FromUtf8(std::string_view utf8) const {
  if (IsAscii(utf8)) return std::string(utf8);
  return Convert(from_utf8_, utf8, true);
}

std::string VolumeNames::FromOem(std::string_view oem) const {
  if (IsAscii(oem)) return std::string(oem);
  return Convert(from_oem_, oem, false);
}

}  // namespace veskaro::platform
