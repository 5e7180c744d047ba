// "Copy": every listed file into the chosen folder, one subfolder per driver.
#include "app/copy_files.h"

#include <set>

#include "app/form1.h"
#include "inf/text.h"

namespace veskaro::app {
namespace {

using platform::FsError;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

bool OnlyDotsAndBlanks(std::string_view name) {
  return name.find_first_not_of(". ") == std::string_view::npos;
}

// The last component of a path written with "\", "/" or a drive colon.
std::string_view LastComponent(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/:");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string DriverFolderName(std::string_view entry_text) {
  std::string name(entry_text);
  for (char& c : name) {
    switch (c) {
      case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        c = '_';
        break;
      default:
        break;
    }
  }
  if (OnlyDotsAndBlanks(name)) {
    for (char& c : name) c = '_';
    if (name.empty()) name = "_";
  }
  return name;
}

std::string StoredName(std::string_view source_path, const std::string* vendor_name) {
  // The listed path comes from the INF's file lines, which may hold "/" and ".." (a
  // line "x/../../../ETC/PASSWD" names an existing C:\ETC\PASSWD); only its last
  // component is a name to store.
  const std::string_view own = LastComponent(source_path);
  if (vendor_name == nullptr) return std::string(own);
  const std::string_view last = LastComponent(*vendor_name);
  if (OnlyDotsAndBlanks(last)) return std::string(own);
  return std::string(last);
}

std::string StoredNameOfRow(const platform::FileSystem& files, std::string_view row,
                            std::string_view companion) {
  const std::vector<std::string> fields = inf::Split(companion, "||");
  std::string stored = StoredName(row, fields.size() >= 3 ? &fields[2] : nullptr);
  if (OnlyDotsAndBlanks(stored)) {
    // A file line such as "x/.." or "x/." names an existing file but leaves no name
    // of its own, which would aim the copy at the chosen folder or the driver
    // folder itself: the file keeps the name it has in its folder.
    const std::string found = files.FindFirst(row, platform::SearchKind::kNormal);
    if (!found.empty()) stored = found;
  }
  return stored;
}

bool Form1::CopyRow(int i, const std::string& target, const std::function<bool(FsError)>& failed,
                    std::set<std::string>* written, CopyResult* result) {
  // A row without a companion, or a companion without its entry field, cannot be
  // placed in a driver folder.
  if (i >= List2.count()) return failed(FsError::kOther);
  const std::vector<std::string> fields = inf::Split(List2.row(i), "||");
  if (fields.size() < 2) return failed(FsError::kOther);

  const std::string folder_path = target + DriverFolderName(fields[1]);
  if (services_.files.FindFirst(folder_path, platform::SearchKind::kDirectory).empty()) {
    const platform::FsStatus made = services_.files.MakeDirectory(folder_path);
    if (!made.ok() && !failed(made.error)) return false;
  }
  const std::string& source = List1.row(i);
  const std::string stored = StoredNameOfRow(services_.files, source, List2.row(i));
  const platform::FsStatus copied = services_.files.CopyFile(source, folder_path + "\\" + stored);
  if (!copied.ok()) return failed(copied.error);
  ++result->files_copied;
  written->insert(inf::LowerCase(folder_path));
  return true;
}

CopyResult Form1::CopyToClick() {
  auto& boxes = services_.boxes;
  CopyResult result;
  if (List1.count() == 0) {
    boxes.Show("No files are displayed in the listbox.", "File Copy", MsgIcon::kInformation,
               MsgButtons::kOk);
    return result;
  }
  std::string target =
      services_.shell.BrowseForFolder("Select the directory where the driver files should be placed");
  if (target.empty()) return result;
  if (target.back() != '\\') target += '\\';
  result.ran = true;

  // A question whether to go on after a failure; Yes goes on.
  auto go_on_after = [&boxes](const char* what) {
    return boxes.Show(std::string(what) + "\r\nDo you wish to continue copying the files?",
                      kAppTitle, MsgIcon::kInformation, MsgButtons::kYesNo) == MsgResult::kYes;
  };
  // One failure handler for every step: true to go on with the next step.
  const std::function<bool(FsError)> failed = [&](FsError error) {
    ++result.failures;
    bool go_on = false;
    switch (error) {
      case FsError::kPathNotFound:
        ShowError("Invalid Destination Path", "Invalid Path", MsgIcon::kInformation);
        break;
      case FsError::kDiskFull:
        go_on = go_on_after("The destination drive is full.");
        break;
      case FsError::kNotReady:
        go_on = go_on_after("There is no diskette the destination drive");
        break;
      default:
        ShowError("An error has occured while copying the files ", kAppTitle,
                  MsgIcon::kInformation);
        break;
    }
    result.cut_short = !go_on;
    return go_on;
  };

  std::set<std::string> written;  // driver folders that received a file
  const int rows = List1.count();
  for (int i = 0; i < rows; ++i) {
    if (!CopyRow(i, target, failed, &written, &result)) break;
  }
  result.driver_folders = static_cast<int>(written.size());
  if (result.cut_short) return result;
  boxes.Show("Files Copied Successfully", "Copying Files", MsgIcon::kInformation, MsgButtons::kOk);
  return result;
}

}  // namespace veskaro::app
