// Environment variables of the running process.
#pragma once

#include <string>
#include <string_view>

#include "platform/environment.h"

namespace veskaro::platform {

/// GetEnvironmentVariableA.
class Win32Environment : public Environment {
 public:
  std::string Get(std::string_view name) const override;
};

}  // namespace veskaro::platform
