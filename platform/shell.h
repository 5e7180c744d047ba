// The desktop shell: folder picker and links.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace veskaro::platform {

class Shell {
 public:
  virtual ~Shell() = default;
  /// Lets the user pick a file-system folder, modal to the main window. Returns its
  /// Windows path (no trailing backslash except for a drive root), or empty text
  /// when the user cancels.
  virtual std::string BrowseForFolder(std::string_view title) = 0;
  /// Hands a link ("mailto:..." or a web address) to the default program. The
  /// outcome is not reported.
  virtual void OpenLink(std::string_view target) = 0;
};

/// A folder picker that answers with `folder`, chosen beforehand (a Windows path;
/// empty text stands for a cancelled choice); links are ignored. For front-ends and
/// tools without a desktop.
class FixedFolderShell : public Shell {
 public:
  FixedFolderShell() = default;
  explicit FixedFolderShell(std::string chosen) : folder(std::move(chosen)) {}
  std::string BrowseForFolder(std::string_view) override { return folder; }
  void OpenLink(std::string_view) override {}
  std::string folder;
};

}  // namespace veskaro::platform
