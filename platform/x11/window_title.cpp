#include "platform/x11/window_title.h"

namespace veskaro::platform {

int ChooseWindowByTitle(const std::vector<QString>& titles, const QString& wanted) {
  if (wanted.isEmpty()) return -1;
  int equal = -1;
  int begins = -1;
  int ends = -1;
  for (int i = 0; i < static_cast<int>(titles.size()); ++i) {
    const QString& title = titles[static_cast<std::size_t>(i)];
    if (title.compare(wanted, Qt::CaseInsensitive) == 0) {
      equal = i;
    } else if (title.startsWith(wanted, Qt::CaseInsensitive)) {
      begins = i;
    } else if (title.endsWith(wanted, Qt::CaseInsensitive)) {
      ends = i;
    }
  }
  if (equal >= 0) return equal;
  return begins >= 0 ? begins : ends;
}

}  // namespace veskaro::platform
