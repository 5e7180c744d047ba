#include "platform/win32/win32_shell.h"

#include <windows.h>
// The shell headers need <windows.h> first.
#include <shellapi.h>
#include <shlobj.h>

namespace veskaro::platform {

std::string Win32Shell::BrowseForFolder(std::string_view title) {
  std::string prompt(title);
  char display_name[MAX_PATH] = {};  // Windows 9x writes it even when no one reads it
  BROWSEINFOA info{};
  info.hwndOwner = owner_;
  info.pidlRoot = nullptr;
  info.pszDisplayName = display_name;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST items = SHBrowseForFolderA(&info);
  if (items == nullptr) return {};
  char path[512] = {};
  std::string chosen;
  if (SHGetPathFromIDListA(items, path)) chosen = path;
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
    allocator->Free(items);
    allocator->Release();
  }
  return chosen;
}

void Win32Shell::OpenLink(std::string_view target) {
  std::string file(target);
  ShellExecuteA(nullptr, nullptr, file.c_str(), nullptr, "C:\\", SW_SHOWNORMAL);
}

}  // namespace veskaro::platform
