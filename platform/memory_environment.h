// Environment variables held in a map: for tests, and for front-ends that describe
// an offline installation instead of the running system.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/environment.h"
#include "platform/code_page.h"

namespace veskaro::platform {

/// Variables whose names match ignoring code page 1252 letter case, as on Windows.
class MapEnvironment : public Environment {
 public:
  MapEnvironment() = default;
  /// Starts with the given name/value pairs (a later pair replaces an earlier one).
  MapEnvironment(std::initializer_list<std::pair<std::string_view, std::string_view>> variables) {
    for (const auto& [name, value] : variables) Set(name, value);
  }

  /// Sets or replaces a variable; the name keeps the spelling of its first setting.
  void Set(std::string_view name, std::string_view value) {
    auto [it, added] = variables_.try_emplace(UpperCase1252(name), std::string(name), "");
    it->second.second = std::string(value);
  }
  void Unset(std::string_view name) { variables_.erase(UpperCase1252(name)); }

  std::string Get(std::string_view name) const override {
    auto it = variables_.find(UpperCase1252(name));
    return it == variables_.end() ? std::string() : it->second.second;
  }

 private:
  // Upper-case name -> (name as first set, value).
  std::map<std::string, std::pair<std::string, std::string>> variables_;
};

}  // namespace veskaro::platform
