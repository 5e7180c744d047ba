// Code page 1252 text for Qt: the 8-bit text the program works with shown as
// Unicode, and Unicode text (names chosen on the host) written back as 8-bit text.
#pragma once

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace veskaro::platform {

/// The Unicode character of one code page 1252 byte. Bytes 0x00-0x7F and 0xA0-0xFF
/// are the same code points; 0x80-0x9F hold typographic characters (0x80 is the
/// euro sign, 0x93/0x94 curly quotes, ...). The five bytes the code page leaves
/// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control character of the
/// same value, as Windows does, so every byte converts and converts back.
char32_t Cp1252ToUnicode(unsigned char byte);

/// The code page 1252 byte of a Unicode character, or -1 when the page lacks it.
int UnicodeToCp1252(char32_t code_point);

/// 8-bit text as Unicode.
QString FromCp1252(std::string_view text);

/// Unicode text as 8-bit text. A character the code page lacks becomes "?" and
/// clears `*lossless` when given.
std::string ToCp1252(QStringView text, bool* lossless = nullptr);

}  // namespace veskaro::platform
