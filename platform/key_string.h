// The standard key-string notation: parsing it into keystrokes, and escaping
// text so that it is typed literally.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veskaro::platform {

/// Keys that the notation names in braces ("{ENTER}", "{F5}", ...).
enum class NamedKey {
  kNone,  ///< the stroke types a character instead
  kEnter,
  kEscape,
  kTab,
  kBackspace,
  kDelete,
  kInsert,
  kHome,
  kEnd,
  kPageUp,
  kPageDown,
  kUp,
  kDown,
  kLeft,
  kRight,
  kBreak,
  kCapsLock,
  kNumLock,
  kScrollLock,
  kPrintScreen,
  kHelp,
  kF1,  ///< kF1 + n - 1 is function key Fn, n = 1 .. 16
  kF16 = kF1 + 15,
};

/// One key pressed and released while the modifiers are held down.
struct KeyStroke {
  NamedKey key = NamedKey::kNone;
  char character = 0;  ///< the character typed when `key` is kNone
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

/// Parses a key string:
/// - "+", "^" and "%" hold Shift, Ctrl and Alt down for the next key, or for every
///   key of the parenthesised group that follows ("+(ab)" is Shift+A, Shift+B);
/// - "~" is Enter;
/// - "{NAME}" is a named key (ENTER, ESC or ESCAPE, TAB, BS/BKSP/BACKSPACE, DEL or
///   DELETE, INS or INSERT, HOME, END, PGUP, PGDN, UP, DOWN, LEFT, RIGHT, BREAK,
///   CAPSLOCK, NUMLOCK, SCROLLLOCK, PRTSC, HELP, F1 to F16; any case);
/// - "{c}" is the single character c typed as itself, which is how the special
///   characters are written: "{+}", "{^}", "{%}", "{~}", "{(}", "{)}", "{{}", "{}}",
///   "{[}", "{]}";
/// - "{NAME n}" or "{c n}" repeats the key n times;
/// - every other character, "[" and "]" included, is typed as itself.
/// @return the strokes in order, or nullopt for a malformed string (an unclosed
///         brace or group, an unknown key name, a lone ")" or "}", a modifier with
///         no key after it).
std::optional<std::vector<KeyStroke>> ParseKeyString(std::string_view keys);

/// Escapes `literal` so that ParseKeyString types exactly its characters: each of
/// + ^ % ~ ( ) { } [ ] is wrapped in braces. Brackets carry no meaning of their own
/// in the notation but are wrapped too, as the notation recommends, since some
/// receivers of key strings treat them specially.
std::string EscapeKeyText(std::string_view literal);

}  // namespace veskaro::platform
