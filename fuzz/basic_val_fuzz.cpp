// The reading of destination numbers (BASIC's Val) and their writing into the
// "Unrecognized File Destination Number" message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "drivers/destinations.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veskaro;
  const std::string_view text = fuzz::AsText(data, size);
  const double n = drivers::BasicVal(text);
  fuzz::Check(!std::isnan(n), "Val never gives NaN", text);

  const std::string written = drivers::BasicNumberText(n);
  fuzz::Check(!written.empty() && written.find_first_of(" \t\r\n") == std::string::npos,
              "a number is written without blanks", written);
  // An integer written plainly reads back as itself.
  if (std::isfinite(n) && n == std::trunc(n) && std::fabs(n) < 1e15) {
    fuzz::Check(drivers::BasicVal(written) == n, "an integer reads back from its text", written);
  }
  // Leading blanks and a trailing comma part do not change the number.
  const std::string padded = " \t" + std::string(text) + ",sub";
  if (text.find(',') == std::string_view::npos) {
    fuzz::Check(drivers::BasicVal(padded) == n,
                "blanks before and text after the number are ignored", text);
  }

  // The folder table knows exactly the listed numbers.
  const auto folder = drivers::FolderForNumber(n, "C:\\WINDOWS\\");
  const bool known = n == 10 || n == 11 || n == 12 || n == 13 || n == 17 || n == 18 || n == 20 ||
                     n == 21 || n == 22 || n == 23 || n == 24 || n == 25 || n == 26 || n == 30;
  fuzz::Check(folder.has_value() == known, "only the listed numbers name a folder", written);
  fuzz::Check(!folder || (folder->starts_with("C:\\") && folder->back() == '\\'),
              "a folder lies on the Windows drive and ends in a backslash", written);
  return 0;
}
