// The key-string notation: parsing arbitrary strings, and escaping arbitrary text so
// that it is typed literally (escape, then parse, gives back exactly its characters
// with no modifier and no named key).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/key_string.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veskaro;
  const std::string_view text = fuzz::AsText(data, size);

  // Any text parses or is refused, without a crash; "{x n}" repeats stay bounded.
  if (const auto strokes = platform::ParseKeyString(text)) {
    fuzz::Check(strokes->size() <= (size + 1) * 10000, "repeats are bounded");
  }

  const std::string escaped = platform::EscapeKeyText(text);
  const auto typed = platform::ParseKeyString(escaped);
  fuzz::Check(typed.has_value(), "escaped text always parses", escaped);
  fuzz::Check(typed->size() == size, "escaped text types one key per character", escaped);
  for (std::size_t i = 0; i < size; ++i) {
    const platform::KeyStroke& k = (*typed)[i];
    fuzz::Check(k.key == platform::NamedKey::kNone && k.character == text[i] && !k.shift &&
                    !k.ctrl && !k.alt,
                "each character is typed as itself, without modifiers", escaped);
  }
  return 0;
}
