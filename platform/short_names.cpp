#include "platform/short_names.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <unordered_map>

namespace veskaro::platform {

namespace {

// Characters no Windows file name may hold.
bool ForbiddenEverywhere(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20) return true;
  switch (c) {
    case '"':
    case '*':
    case '/':
    case ':':
    case '<':
    case '>':
    case '?':
    case '\\':
    case '|':
      return true;
    default:
      return false;
  }
}

// Characters a long name may hold but a short name may not (besides space and dot).
bool ForbiddenInShortName(char c) {
  switch (c) {
    case '+':
    case ',':
    case ';':
    case '=':
    case '[':
    case ']':
      return true;
    default:
      return ForbiddenEverywhere(c);
  }
}

bool ShortNameChar(char c) {
  return c != ' ' && c != '.' && !ForbiddenInShortName(c) && UpperCase1252(c) == c;
}

struct Basis {
  std::string primary;    // up to 8 characters
  std::string extension;  // up to 3 characters, may be empty
};

Basis MakeBasis(std::string_view name) {
  const std::string upper = UpperCase1252(name);
  std::string_view rest = upper;
  while (!rest.empty() && (rest.front() == '.' || rest.front() == ' ')) rest.remove_prefix(1);
  const std::size_t last_dot = rest.rfind('.');
  const std::string_view primary_source = rest.substr(0, last_dot);
  const std::string_view extension_source =
      last_dot == std::string_view::npos ? std::string_view() : rest.substr(last_dot + 1);
  auto copy = [](std::string_view source, std::size_t limit, std::string* out) {
    for (char c : source) {
      if (out->size() == limit) break;
      if (c == ' ' || c == '.') continue;
      out->push_back(ForbiddenInShortName(c) ? '_' : c);
    }
  };
  Basis basis;
  copy(primary_source, 8, &basis.primary);
  copy(extension_source, 3, &basis.extension);
  return basis;
}

}  // namespace

bool IsValidLongName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), ForbiddenEverywhere);
}

bool IsShortName(std::string_view name) {
  const std::size_t dot = name.find('.');
  const std::string_view primary = name.substr(0, dot);
  const std::string_view extension =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (primary.empty() || primary.size() > 8) return false;
  if (dot != std::string_view::npos && (extension.empty() || extension.size() > 3)) return false;
  return std::all_of(primary.begin(), primary.end(), ShortNameChar) &&
         std::all_of(extension.begin(), extension.end(), ShortNameChar);
}

std::vector<std::string> ShortAliases(const std::vector<std::string>& names_in_folder) {
  const std::size_t n = names_in_folder.size();
  std::vector<std::string> aliases(n);
  std::set<std::string> taken;
  std::vector<std::size_t> order;
  order.reserve(n);
  // Names that are short names already keep themselves; they are taken first so
  // that no generated alias can collide with them.
  for (std::size_t i = 0; i < n; ++i) {
    std::string upper = UpperCase1252(names_in_folder[i]);
    if (IsShortName(upper)) {
      taken.insert(upper);
      aliases[i] = std::move(upper);
    } else {
      order.push_back(i);
    }
  }
  std::vector<std::string> folded(n);
  for (std::size_t i : order) folded[i] = LowerCase1252(names_in_folder[i]);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (folded[a] != folded[b]) return folded[a] < folded[b];
    return names_in_folder[a] < names_in_folder[b];
  });
  // Next tail number to try per basis, so that many names of one basis stay cheap.
  std::unordered_map<std::string, std::size_t> next_tail;
  for (std::size_t i : order) {
    const Basis basis = MakeBasis(names_in_folder[i]);
    if (basis.primary.empty()) continue;
    const std::string key = basis.primary + "." + basis.extension;
    std::size_t& tail = next_tail.try_emplace(key, 1).first->second;
    for (;; ++tail) {
      const std::string digits = "~" + std::to_string(tail);
      const std::size_t keep = digits.size() >= 8 ? 0 : 8 - digits.size();
      std::string candidate = basis.primary.substr(0, keep) + digits;
      if (!basis.extension.empty()) candidate += "." + basis.extension;
      if (taken.insert(candidate).second) {
        aliases[i] = std::move(candidate);
        ++tail;
        break;
      }
    }
  }
  return aliases;
}

bool HasWildcard(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

namespace {

// Greedy matching with one backtrack point per "*": O(pattern * name) at worst.
bool GlobMatch(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, s = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (s < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = s;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || LowerCase1252(pattern[p]) == LowerCase1252(name[s]))) {
      ++p;
      ++s;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (GlobMatch(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return GlobMatch(pattern.substr(0, pattern.size() - 2), name);
  }
  return false;
}

bool ParseWindowsPath(std::string_view path, WindowsPath* result) {
  if (path.size() < 2 || path[1] != ':') return false;
  const char drive = UpperCase1252(path[0]);
  if (drive < 'A' || drive > 'Z') return false;
  if (path.find('\0') != std::string_view::npos) return false;
  WindowsPath parsed;
  parsed.drive = drive;
  std::string_view rest = path.substr(2);
  parsed.trailing_separator = !rest.empty() && (rest.back() == '\\' || rest.back() == '/');
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parsed.components.empty()) parsed.components.pop_back();
    } else if (!part.empty() && part != ".") {
      parsed.components.emplace_back(part);
    }
    start = end + 1;
  }
  *result = std::move(parsed);
  return true;
}

}  // namespace veskaro::platform
