// "Copy": every listed file into the chosen folder, one subfolder per driver.
#include "app/copy_files.h"

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

void Form1::CopyToClick() {
  auto& boxes = services_.boxes;
  if (List1.count() == 0) {
    boxes.Show("No files are displayed in the listbox.", "File Copy", MsgIcon::kInformation,
               MsgButtons::kOk);
    return;
  }
  std::string target =
      services_.shell.BrowseForFolder("Select the directory where the driver files should be placed");
  if (target.empty()) return;
  if (target.back() != '\\') target += '\\';

  // One failure handler for every step: true to go on with the next step.
  auto failed = [&boxes](FsError error) {
    switch (error) {
      case FsError::kPathNotFound:
        boxes.Show("Invalid Destination Path", "Invalid Path", MsgIcon::kInformation,
                   MsgButtons::kOk);
        return false;
      case FsError::kDiskFull:
        return boxes.Show("The destination drive is full.\r\nDo you wish to continue copying the "
                          "files?",
                          kAppTitle, MsgIcon::kInformation, MsgButtons::kYesNo) == MsgResult::kYes;
      case FsError::kNotReady:
        return boxes.Show("There is no diskette the destination drive\r\nDo you wish to continue "
                          "copying the files?",
                          kAppTitle, MsgIcon::kInformation, MsgButtons::kYesNo) == MsgResult::kYes;
      default:
        boxes.Show("An error has occured while copying the files ", kAppTitle,
                   MsgIcon::kInformation, MsgButtons::kOk);
        return false;
    }
  };

  const int rows = List1.count();
  for (int i = 0; i < rows; ++i) {
    // A row without a companion, or a companion without its entry field, cannot be
    // placed in a driver folder.
    if (i >= List2.count()) return void(failed(FsError::kOther));
    const std::vector<std::string> fields = inf::Split(List2.row(i), "||");
    if (fields.size() < 2) return void(failed(FsError::kOther));

    const std::string folder_path = target + DriverFolderName(fields[1]);
    const std::string folder = folder_path + "\\";
    if (services_.files.FindFirst(folder_path, platform::SearchKind::kDirectory).empty()) {
      const platform::FsStatus made = services_.files.MakeDirectory(folder_path);
      if (!made.ok() && !failed(made.error)) return;
    }
    const std::string& source = List1.row(i);
    std::string stored = StoredName(source, fields.size() >= 3 ? &fields[2] : nullptr);
    if (OnlyDotsAndBlanks(stored)) {
      // A file line such as "x/.." or "x/." names an existing file but leaves no name
      // of its own, which would aim the copy at the chosen folder or the driver
      // folder itself: the file keeps the name it has in its folder.
      const std::string found = services_.files.FindFirst(source, platform::SearchKind::kNormal);
      if (!found.empty()) stored = found;
    }
    const platform::FsStatus copied = services_.files.CopyFile(source, folder + stored);
    if (!copied.ok() && !failed(copied.error)) return;
  }
  boxes.Show("Files Copied Successfully", "Copying Files", MsgIcon::kInformation, MsgButtons::kOk);
}

}  // namespace veskaro::app
