// The program's two registry reads. Neither reports a failure: a missing key or
// value gives the caller's fallback or an empty list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace veskaro::registry {

/// The REG_SZ value `name` (empty: the unnamed default value) of key `path` below
/// `root`, cut at its first zero character; `fallback` when the key or value is
/// missing or the value is of any other type. The key is closed on every path.
std::string QueryRegString(platform::Registry& reg, platform::RegKey root, std::string_view path,
                           std::string_view name, std::string_view fallback);

/// The names of the direct subkeys of `path` below `root`, in the registry's order.
/// Names of 255 characters or more end the list, as does any other failure; a
/// missing key gives an empty list.
std::vector<std::string> EnumRegKeys(platform::Registry& reg, platform::RegKey root,
                                     std::string_view path);

/// Whether an EnumRegKeys result is empty in the callers' sense: its elements joined
/// give empty text.
bool IsEmptyKeyList(const std::vector<std::string>& keys);

}  // namespace veskaro::registry
