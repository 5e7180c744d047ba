#include "platform/x11/x11_processes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <thread>

#include "platform/qt/cp1252.h"
#include "platform/x11/window_title.h"

namespace veskaro::platform {
namespace {

bool EndsWithExe(std::string_view program) {
  if (program.size() < 5) return false;
  std::string tail(program.substr(program.size() - 4));
  for (char& c : tail) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return tail == ".exe";
}

}  // namespace

QString QtHostLauncher::FindExecutable(const QString& name) {
  return QStandardPaths::findExecutable(name);
}

bool QtHostLauncher::StartDetached(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

bool QtHostLauncher::OpenWithDefaultViewer(const QString& host_path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(host_path));
}

bool QtHostLauncher::WinePrefixReady() {
  QString prefix = qEnvironmentVariable("WINEPREFIX");
  if (prefix.isEmpty()) prefix = QDir::homePath() + "/.wine";
  return QFileInfo(prefix + "/system.reg").isFile() &&
         QFileInfo(prefix + "/.update-timestamp").isFile();
}

X11Processes::X11Processes(HostPathOf host_path_of, std::unique_ptr<HostLauncher> launcher,
                           std::string display, int key_delay_ms)
    : host_path_of_(std::move(host_path_of)),
      launcher_(launcher ? std::move(launcher) : std::make_unique<QtHostLauncher>()),
      display_(std::move(display)),
      key_delay_ms_(key_delay_ms) {}

X11Processes::~X11Processes() = default;

bool X11Processes::StartProgram(std::string_view command_line, WindowStyle style) {
  const std::size_t blank = command_line.find(' ');
  const std::string_view program = command_line.substr(0, blank);
  const std::string_view argument =
      blank == std::string_view::npos ? std::string_view() : command_line.substr(blank + 1);
  if (!EndsWithExe(program)) return false;  // only Windows programs run, through Wine

  QString host_path;
  QString wine_argument;
  if (!argument.empty()) {
    const std::string host = host_path_of_ ? host_path_of_(argument) : std::string();
    if (host.empty() || host.front() != '/') return false;
    host_path = QFile::decodeName(QByteArray::fromStdString(host));
    wine_argument = "Z:" + host_path;
    wine_argument.replace('/', '\\');
  }

  const QString wine = launcher_->FindExecutable("wine");
  if (!wine.isEmpty()) {
    const bool prefix_ready = launcher_->WinePrefixReady();
    QStringList arguments = {"start"};
    if (style == WindowStyle::kMaximizedFocus) arguments << "/max";
    if (style == WindowStyle::kMinimizedFocus) arguments << "/min";
    arguments << FromCp1252(program);
    if (!wine_argument.isEmpty()) arguments << wine_argument;
    if (launcher_->StartDetached(wine, arguments)) {
      last_start_ = std::chrono::steady_clock::now();
      first_seen_.reset();
      prefix_pending_ = !prefix_ready;
      return true;
    }
  }
  if (!host_path.isEmpty()) launcher_->OpenWithDefaultViewer(host_path);
  return false;
}

XdoDesktop* X11Processes::Desktop() {
  if (!desktop_tried_) {
    desktop_tried_ = true;
    desktop_ = XdoDesktop::Open(display_, key_delay_ms_);
  }
  return desktop_.get();
}

bool X11Processes::ActivateWindow(std::string_view title) {
  XdoDesktop* desktop = Desktop();
  if (desktop == nullptr) return false;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  // Wine is still creating its prefix: wait for the window up to the bound.
  if (prefix_pending_ && (!last_start_.has_value() || start >= *last_start_ + first_use_wait_)) {
    prefix_pending_ = false;
  }
  if (!prefix_pending_ && (!last_start_.has_value() || start - *last_start_ >= window_grace_)) {
    return desktop->ActivateWindow(title);
  }
  // A program was started a moment ago: give its window time to appear and settle.
  const QString wanted = FromCp1252(title);
  auto deadline = prefix_pending_ ? *last_start_ + first_use_wait_ : start + window_wait_;
  for (;;) {
    std::vector<QString> titles;
    for (const std::string& t : desktop->WindowTitles())
      titles.push_back(QString::fromStdString(t));
    // Taken after the look, so that a window that appeared meanwhile counts as seen
    // from no earlier than it was there.
    const auto now = Clock::now();
    if (ChooseWindowByTitle(titles, wanted) >= 0) {
      if (prefix_pending_) {
        // The program runs at last: from here on it is as if it had just started.
        prefix_pending_ = false;
        last_start_ = now;
        deadline = std::max(deadline, now + window_wait_);
      }
      if (!first_seen_.has_value()) first_seen_ = now;
      if (now - *first_seen_ >= window_settle_ && desktop->ActivateWindow(title)) return true;
    }
    if (now >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool X11Processes::SendKeys(std::string_view keys) {
  XdoDesktop* desktop = Desktop();
  if (desktop == nullptr) return false;
  const auto strokes = ParseKeyString(keys);
  return strokes.has_value() && desktop->SendKeys(*strokes);
}

}  // namespace veskaro::platform
