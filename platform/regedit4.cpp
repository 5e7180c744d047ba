// REGEDIT4 reader.
//
// The format, as `regedit /e` writes it on Windows 9x (code page 1252 text, CR LF
// line ends; LF alone is accepted too):
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Net\0000]
//   @="default value"
//   "DriverDesc"="Example \"Fast\" Ethernet"
//   "Flags"=dword:00000010
//   "Bits"=hex:01,02,03,\  <- continued on the next line
//     04,05
//   "Path"=hex(2):25,77,69,00
//
// Decisions:
// - The first line must be "REGEDIT4". A UTF-8 byte-order mark, a UTF-16 file and a
//   "Windows Registry Editor Version 5.00" header are refused with a message saying
//   why; Windows 9x never writes them.
// - Key lines name one of the seven Win32 roots, spelled out or abbreviated (HKCR,
//   HKCU, HKLM, HKU, HKCC, HKDD); each root's keys land under its own handle value
//   0x80000000 (HKEY_CLASSES_ROOT) to 0x80000006 (HKEY_DYN_DATA). Missing parents
//   are created; key and value names merge ignoring letter case, and a value given
//   twice keeps its last data.
// - Deletions ("[-HKEY_...]" and "name"=-) are refused: they belong to files that
//   change a registry, not to an export of one.
// - Quoted text takes the escapes \\ and \"; any other backslash is kept as written.
//   A quoted text may run over several lines, as regedit writes data holding line
//   breaks: each line end inside it becomes CR LF in the data.
// - "hex:" and "hex(N):" data may wrap over lines ending in "\" with any indentation;
//   a byte is one or two hex digits, bytes are separated by commas.
// - REG_SZ data (quoted, or hex(1) with its terminating zero) is stored without the
//   terminating zero; other types keep their bytes as written. No byte is converted.
// - The reader works in one pass and looks keys and values up through hash indexes,
//   so its time grows linearly with the text.
#include "platform/regedit4.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/code_page.h"

namespace veskaro::platform {
namespace {

using Key = MemoryRegistry::Key;

struct RootName {
  std::string_view name;
  RegKey handle;
};

constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", 0x80000000u},
    {"HKCR", 0x80000000u},
    {"HKEY_CURRENT_USER", 0x80000001u},
    {"HKCU", 0x80000001u},
    {"HKEY_LOCAL_MACHINE", 0x80000002u},
    {"HKLM", 0x80000002u},
    {"HKEY_USERS", 0x80000003u},
    {"HKU", 0x80000003u},
    {"HKEY_PERFORMANCE_DATA", 0x80000004u},
    {"HKEY_CURRENT_CONFIG", 0x80000005u},
    {"HKCC", 0x80000005u},
    {"HKEY_DYN_DATA", 0x80000006u},
    {"HKDD", 0x80000006u},
};

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoreCase1252(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
 public:
  Parser(std::string_view text, std::string_view file_name, MemoryRegistry& registry)
      : text_(text), file_(file_name), registry_(registry) {}

  Regedit4Result Run() {
    if (!Header()) return {error_};
    while (SkipBlanks(), !AtEnd()) {
      const char c = text_[pos_];
      bool ok = true;
      if (c == '\n') {
        ++pos_;
        ++line_;
      } else if (c == ';') {
        SkipToLineEnd();
      } else if (c == '[') {
        ok = KeyLine();
      } else if (c == '@' || c == '"') {
        ok = ValueLine();
      } else {
        ok = Fail("expected a key line \"[...]\", a value line or a \";\" comment");
      }
      if (!ok) return {error_};
    }
    return {};
  }

 private:
  struct Index {
    bool subkeys_built = false;
    bool values_built = false;
    std::unordered_map<std::string, Key*> subkeys;
    std::unordered_map<std::string, std::size_t> values;
  };

  bool AtEnd() const { return pos_ >= text_.size(); }
  bool AtLineEnd() const { return AtEnd() || text_[pos_] == '\n'; }
  // Spaces and tabs, and a CR (the one before LF, or a stray one).
  void SkipBlanks() {
    while (!AtEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) ++pos_;
  }
  void SkipToLineEnd() {
    const std::size_t lf = text_.find('\n', pos_);
    pos_ = lf == std::string_view::npos ? text_.size() : lf;
  }

  bool Fail(std::string_view what) { return FailAt(line_, what); }
  bool FailAt(std::size_t line, std::string_view what) {
    error_ = std::string(file_) + ", line " + std::to_string(line) + ": " + std::string(what) + ".";
    return false;
  }

  bool Header() {
    const std::string file(file_);
    if (text_.starts_with("\xEF\xBB\xBF")) {
      error_ = file +
               " begins with a UTF-8 byte-order mark, which a REGEDIT4 export written by "
               "Windows 9x never has; save it again as plain ANSI text.";
      return false;
    }
    if (text_.starts_with("\xFF\xFE") || text_.starts_with("\xFE\xFF") ||
        text_.starts_with("Windows Registry Editor Version 5.00")) {
      error_ = file +
               " is a Unicode registry export (\"Windows Registry Editor Version 5.00\"), "
               "which is not supported; export the registry as REGEDIT4 instead.";
      return false;
    }
    constexpr std::string_view kHeader = "REGEDIT4";
    if (StartsWithIgnoreCase(text_, kHeader)) {
      pos_ = kHeader.size();
      SkipBlanks();
      if (AtLineEnd()) return true;
    }
    error_ = file + " is not a REGEDIT4 registry export: it does not begin with the line REGEDIT4.";
    return false;
  }

  Index& IndexOf(Key* key) {
    Index& index = indexes_[key];
    if (!index.subkeys_built) {
      for (const auto& subkey : key->subkeys) {
        index.subkeys.try_emplace(LowerCase1252(subkey->name), subkey.get());
      }
      index.subkeys_built = true;
    }
    if (!index.values_built) {
      for (std::size_t i = 0; i < key->values.size(); ++i) {
        index.values.try_emplace(LowerCase1252(key->values[i].name), i);
      }
      index.values_built = true;
    }
    return index;
  }

  Key* Subkey(Key* parent, std::string_view name) {
    Index& index = IndexOf(parent);
    auto [it, added] = index.subkeys.try_emplace(LowerCase1252(name), nullptr);
    if (added) {
      parent->subkeys.push_back(std::make_unique<Key>());
      Key* child = parent->subkeys.back().get();
      child->name = std::string(name);
      it->second = child;
      Index& fresh = indexes_[child];  // a new key has nothing to index yet
      fresh.subkeys_built = fresh.values_built = true;
    }
    return it->second;
  }

  void SetValue(Key* key, std::string name, std::uint32_t type, std::string data) {
    Index& index = IndexOf(key);
    auto [it, added] = index.values.try_emplace(LowerCase1252(name), key->values.size());
    if (added) {
      key->values.push_back(MemoryRegistry::Value{std::move(name), type, std::move(data)});
    } else {
      MemoryRegistry::Value& value = key->values[it->second];
      value.type = type;
      value.data = std::move(data);
    }
  }

  bool KeyLine() {
    const std::size_t start = pos_;
    SkipToLineEnd();
    std::string_view line = text_.substr(start, pos_ - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
      line.remove_suffix(1);
    }
    if (line.size() < 2 || line.back() != ']') {
      return Fail("the key line does not end with \"]\"");
    }
    std::string_view path = line.substr(1, line.size() - 2);
    if (path.starts_with("-")) {
      return Fail("key deletions (\"[-...]\") are not part of a registry export");
    }
    const std::size_t slash = path.find('\\');
    const std::string_view root_name = path.substr(0, slash);
    const RootName* root = nullptr;
    for (const RootName& candidate : kRootNames) {
      if (EqualsIgnoreCase1252(candidate.name, root_name)) root = &candidate;
    }
    if (!root) {
      return Fail("\"" + std::string(root_name) + "\" is not a registry root key");
    }
    Key*& root_key = roots_[root->handle];
    if (!root_key) root_key = &registry_.CreateKey(root->handle, "");
    Key* key = root_key;
    if (slash != std::string_view::npos) {
      std::string_view rest = path.substr(slash + 1);
      while (!rest.empty()) {
        const std::size_t next = rest.find('\\');
        const std::string_view part = rest.substr(0, next);
        if (!part.empty()) key = Subkey(key, part);
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
      }
    }
    current_ = key;
    return true;
  }

  // Quoted text at pos_ with its escapes; a line end inside becomes CR LF.
  bool Quoted(std::string* out) {
    const std::size_t first_line = line_;
    ++pos_;  // the opening quote
    while (!AtEnd()) {
      const char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c == '\\' && pos_ + 1 < text_.size() &&
          (text_[pos_ + 1] == '\\' || text_[pos_ + 1] == '"')) {
        out->push_back(text_[pos_ + 1]);
        pos_ += 2;
      } else if (c == '\n' || (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')) {
        out->append("\r\n");
        pos_ += c == '\r' ? 2 : 1;
        ++line_;
      } else {
        out->push_back(c);
        ++pos_;
      }
    }
    return FailAt(first_line,
                  "the quoted text that begins on this line is not closed before the end of "
                  "the file");
  }

  // Hex digits at pos_ into `*value`; false when there are none or more than `max`.
  bool HexNumber(std::size_t max, std::uint32_t* value) {
    std::size_t count = 0;
    *value = 0;
    while (!AtEnd() && HexDigit(text_[pos_]) >= 0) {
      if (++count > max) return false;
      *value = (*value << 4) | static_cast<std::uint32_t>(HexDigit(text_[pos_]));
      ++pos_;
    }
    return count > 0;
  }

  bool HexBytes(std::string* out) {
    bool need_comma = false;
    for (;;) {
      SkipBlanks();
      if (AtLineEnd()) return true;
      const char c = text_[pos_];
      if (c == '\\') {
        ++pos_;
        SkipBlanks();
        if (AtEnd()) return Fail("the hex data goes on with \"\\\" but the file ends here");
        if (text_[pos_] != '\n') return Fail("unexpected text after the line-continuation \"\\\"");
        ++pos_;
        ++line_;
        SkipBlanks();
        if (AtLineEnd()) {
          return Fail("this line should continue the hex data of the line before but is empty");
        }
      } else if (need_comma) {
        if (c != ',') return Fail("expected \",\" between the bytes of hex data");
        ++pos_;
        need_comma = false;
      } else {
        std::uint32_t byte = 0;
        if (!HexNumber(2, &byte)) {
          return Fail("expected a byte of one or two hex digits in the hex data");
        }
        out->push_back(static_cast<char>(byte));
        need_comma = true;
      }
    }
  }

  bool ValueLine() {
    if (!current_) return Fail("a value comes before any key line \"[...]\"");
    std::string name;
    if (text_[pos_] == '@') {
      ++pos_;
    } else if (!Quoted(&name)) {
      return false;
    }
    SkipBlanks();
    if (AtEnd() || text_[pos_] != '=') return Fail("expected \"=\" after the value name");
    ++pos_;
    SkipBlanks();
    std::string_view rest = text_.substr(pos_);
    std::uint32_t type = kRegSz;
    std::string data;
    if (rest.starts_with("\"")) {
      if (!Quoted(&data)) return false;
    } else if (rest.starts_with("-")) {
      return Fail("value deletions (\"name\"=-) are not part of a registry export");
    } else if (StartsWithIgnoreCase(rest, "dword:")) {
      pos_ += 6;
      std::uint32_t number = 0;
      if (!HexNumber(8, &number)) return Fail("dword data needs one to eight hex digits");
      type = kRegDword;
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
    } else if (StartsWithIgnoreCase(rest, "hex:")) {
      pos_ += 4;
      type = kRegBinary;
      if (!HexBytes(&data)) return false;
    } else if (StartsWithIgnoreCase(rest, "hex(")) {
      pos_ += 4;
      if (!HexNumber(8, &type) || AtEnd() || text_[pos_] != ')' || pos_ + 1 >= text_.size() ||
          text_[pos_ + 1] != ':') {
        return Fail("expected a hex type number and \"):\" after \"hex(\"");
      }
      pos_ += 2;
      if (!HexBytes(&data)) return false;
      if (type == kRegSz && !data.empty() && data.back() == '\0') data.pop_back();
    } else {
      return Fail("the value data is neither quoted text nor dword:, hex: or hex(N): data");
    }
    SkipBlanks();
    if (!AtLineEnd()) return Fail("unexpected text after the value data");
    SetValue(current_, std::move(name), type, std::move(data));
    return true;
  }

  std::string_view text_;
  std::string_view file_;
  MemoryRegistry& registry_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  std::string error_;
  Key* current_ = nullptr;
  std::unordered_map<RegKey, Key*> roots_;
  std::unordered_map<const Key*, Index> indexes_;
};

}  // namespace

Regedit4Result LoadRegedit4(std::string_view text, std::string_view file_name,
                            MemoryRegistry& registry) {
  return Parser(text, file_name, registry).Run();
}

Regedit4Result LoadRegedit4File(const std::string& host_path, MemoryRegistry& registry) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(host_path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return {"Cannot open " + host_path + ": " + std::strerror(errno) + "."};
  std::string text;
  char buffer[64 * 1024];
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    text.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  if (std::ferror(file.get())) return {"Cannot read " + host_path + "."};
  return LoadRegedit4(text, host_path, registry);
}

}  // namespace veskaro::platform
