// Environment variables.
#pragma once

#include <string>
#include <string_view>

namespace veskaro::platform {

class Environment {
 public:
  virtual ~Environment() = default;
  /// The variable's value, or empty text when it is not set.
  virtual std::string Get(std::string_view name) const = 0;
};

}  // namespace veskaro::platform
