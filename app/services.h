// The platform services a window model works through.
#pragma once

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace veskaro::app {

/// References to the outside world, owned by the front-end and living longer than
/// the windows.
struct Services {
  platform::Registry& registry;
  platform::FileSystem& files;
  const platform::Environment& environment;
  platform::MessageBoxes& boxes;
  platform::Shell& shell;
  platform::Processes& processes;
};

/// The application title used by message boxes that name no title of their own.
inline constexpr const char* kAppTitle = "Veskaro";

}  // namespace veskaro::app
