#include "platform/win32/win32_environment.h"

#include <windows.h>

namespace veskaro::platform {

std::string Win32Environment::Get(std::string_view name) const {
  std::string variable(name);
  std::string value(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD length =
        GetEnvironmentVariableA(variable.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.assign(length, '\0');  // too small: `length` counts the terminating zero
  }
  return {};
}

}  // namespace veskaro::platform
