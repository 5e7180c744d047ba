#include "platform/qt/cp1252.h"

#include <QList>
#include <array>

namespace veskaro::platform {
namespace {

// Bytes 0x80-0x9F. Unassigned bytes keep their own value.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControlRange[byte - 0x80];
  return byte;
}

int UnicodeToCp1252(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<int>(code_point);
  }
  for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
    if (kHighControlRange[i] == code_point) return static_cast<int>(0x80 + i);
  }
  return -1;
}

QString FromCp1252(std::string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (const char c : text) {
    out.append(QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(c)))));
  }
  return out;
}

std::string ToCp1252(QStringView text, bool* lossless) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  if (lossless != nullptr) *lossless = true;
  for (const uint code_point : text.toUcs4()) {
    const int byte = UnicodeToCp1252(static_cast<char32_t>(code_point));
    if (byte < 0) {
      out += '?';
      if (lossless != nullptr) *lossless = false;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

}  // namespace veskaro::platform
