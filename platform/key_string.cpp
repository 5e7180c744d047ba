#include "platform/key_string.h"

#include <cstddef>
#include <utility>

namespace veskaro::platform {
namespace {

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

constexpr int kMaxRepeat = 10000;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

NamedKey LookUpName(std::string_view name) {
  std::string upper;
  for (char c : name) upper.push_back(AsciiUpper(c));
  static constexpr std::pair<std::string_view, NamedKey> kNames[] = {
      {"ENTER", NamedKey::kEnter},
      {"ESC", NamedKey::kEscape},
      {"ESCAPE", NamedKey::kEscape},
      {"TAB", NamedKey::kTab},
      {"BS", NamedKey::kBackspace},
      {"BKSP", NamedKey::kBackspace},
      {"BACKSPACE", NamedKey::kBackspace},
      {"DEL", NamedKey::kDelete},
      {"DELETE", NamedKey::kDelete},
      {"INS", NamedKey::kInsert},
      {"INSERT", NamedKey::kInsert},
      {"HOME", NamedKey::kHome},
      {"END", NamedKey::kEnd},
      {"PGUP", NamedKey::kPageUp},
      {"PGDN", NamedKey::kPageDown},
      {"UP", NamedKey::kUp},
      {"DOWN", NamedKey::kDown},
      {"LEFT", NamedKey::kLeft},
      {"RIGHT", NamedKey::kRight},
      {"BREAK", NamedKey::kBreak},
      {"CAPSLOCK", NamedKey::kCapsLock},
      {"NUMLOCK", NamedKey::kNumLock},
      {"SCROLLLOCK", NamedKey::kScrollLock},
      {"PRTSC", NamedKey::kPrintScreen},
      {"HELP", NamedKey::kHelp},
  };
  for (const auto& [text, key] : kNames) {
    if (upper == text) return key;
  }
  // F1 .. F16.
  if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F') {
    int n = 0;
    for (std::size_t i = 1; i < upper.size(); ++i) {
      if (upper[i] < '0' || upper[i] > '9') return NamedKey::kNone;
      n = n * 10 + (upper[i] - '0');
    }
    if (n >= 1 && n <= 16) {
      return static_cast<NamedKey>(static_cast<int>(NamedKey::kF1) + n - 1);
    }
  }
  return NamedKey::kNone;
}

class Parser {
 public:
  explicit Parser(std::string_view keys) : keys_(keys) {}

  bool ParseAll(std::vector<KeyStroke>* out) {
    if (!ParseSequence(Modifiers{}, /*in_group=*/false, out)) return false;
    return pos_ == keys_.size();
  }

 private:
  // Parses units until the end of the text, or up to and including the ")" that
  // closes the current group.
  bool ParseSequence(Modifiers held, bool in_group, std::vector<KeyStroke>* out) {
    while (pos_ < keys_.size()) {
      if (keys_[pos_] == ')') {
        if (!in_group) return false;
        ++pos_;
        return true;
      }
      if (!ParseUnit(held, out)) return false;
    }
    return !in_group;  // an unclosed group
  }

  // One key, with any modifiers before it, or one modified group.
  bool ParseUnit(Modifiers held, std::vector<KeyStroke>* out) {
    while (pos_ < keys_.size()) {
      char c = keys_[pos_];
      if (c == '+') {
        held.shift = true;
      } else if (c == '^') {
        held.ctrl = true;
      } else if (c == '%') {
        held.alt = true;
      } else {
        break;
      }
      ++pos_;
    }
    if (pos_ >= keys_.size()) return false;  // a modifier with no key after it
    char c = keys_[pos_];
    switch (c) {
      case '(':
        ++pos_;
        return ParseSequence(held, /*in_group=*/true, out);
      case ')':
      case '}':
        return false;
      case '~':
        ++pos_;
        Append(held, NamedKey::kEnter, 0, 1, out);
        return true;
      case '{':
        return ParseBrace(held, out);
      default:
        ++pos_;
        Append(held, NamedKey::kNone, c, 1, out);
        return true;
    }
  }

  // "{NAME}", "{c}", "{NAME n}" or "{c n}". The text inside holds at least one
  // character, so "{}}" is the closing brace itself.
  bool ParseBrace(Modifiers held, std::vector<KeyStroke>* out) {
    std::size_t close = keys_.find('}', pos_ + 2);
    if (pos_ + 1 >= keys_.size() || close == std::string_view::npos) return false;
    std::string_view inside = keys_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;

    int count = 1;
    std::size_t blank = inside.rfind(' ');
    if (blank != std::string_view::npos && blank > 0 && blank + 1 < inside.size()) {
      int n = 0;
      bool digits = true;
      for (char d : inside.substr(blank + 1)) {
        if (d < '0' || d > '9') {
          digits = false;
          break;
        }
        n = n * 10 + (d - '0');
        if (n > kMaxRepeat) return false;
      }
      if (digits) {
        count = n;
        inside = inside.substr(0, blank);
      }
    }
    if (inside.size() == 1) {
      Append(held, NamedKey::kNone, inside[0], count, out);
      return true;
    }
    NamedKey key = LookUpName(inside);
    if (key == NamedKey::kNone) return false;
    Append(held, key, 0, count, out);
    return true;
  }

  static void Append(Modifiers held, NamedKey key, char character, int count,
                     std::vector<KeyStroke>* out) {
    for (int i = 0; i < count; ++i) {
      out->push_back(KeyStroke{key, character, held.shift, held.ctrl, held.alt});
    }
  }

  std::string_view keys_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::vector<KeyStroke>> ParseKeyString(std::string_view keys) {
  std::vector<KeyStroke> strokes;
  Parser parser(keys);
  if (!parser.ParseAll(&strokes)) return std::nullopt;
  return strokes;
}

std::string EscapeKeyText(std::string_view literal) {
  std::string out;
  out.reserve(literal.size());
  for (char c : literal) {
    switch (c) {
      case '+':
      case '^':
      case '%':
      case '~':
      case '(':
      case ')':
      case '{':
      case '}':
      case '[':
      case ']':
        out.push_back('{');
        out.push_back(c);
        out.push_back('}');
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

}  // namespace veskaro::platform
