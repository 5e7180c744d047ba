// The Windows shell: folder picker and links.
#pragma once

#include <string>
#include <string_view>

#include "platform/shell.h"

struct HWND__;

namespace veskaro::platform {

/// SHBrowseForFolderA and ShellExecuteA.
class Win32Shell : public Shell {
 public:
  /// The window the folder picker is modal to (the main window).
  void set_owner(HWND__* owner) { owner_ = owner; }

  /// SHBrowseForFolderA from the desktop with BIF_RETURNONLYFSDIRS and `title`,
  /// then SHGetPathFromIDListA; the item list is freed with the shell's allocator
  /// (SHGetMalloc), which Windows 95 and 98 keep apart from the COM task allocator.
  std::string BrowseForFolder(std::string_view title) override;

  /// ShellExecuteA(no window, default verb, target, no parameters, "C:\",
  /// SW_SHOWNORMAL); the result is not looked at.
  void OpenLink(std::string_view target) override;

 private:
  HWND__* owner_ = nullptr;
};

}  // namespace veskaro::platform
