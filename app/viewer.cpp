// The INF viewer: opens a listed INF in the word processor and finds the install
// section there with the word processor's Find command.
#include "app/form1.h"
#include "inf/text.h"
#include "platform/key_string.h"

namespace veskaro::app {
namespace {

constexpr int kEnterKey = 13;
constexpr int kSpaceKey = 32;
constexpr int kMaxErrorsPerTick = 10;

}  // namespace

void Form1::List1KeyPress(int key_ascii) {
  if (key_ascii == kEnterKey || key_ascii == kSpaceKey) List1DblClick();
}

void Form1::List1DblClick() {
  if (ViewerEnabled != 1 || List1.count() == 0) return;
  const std::string path = List1.text();
  const std::string_view tail =
      path.size() < 4 ? std::string_view(path) : std::string_view(path).substr(path.size() - 4);
  if (inf::UpperCase(tail) != ".INF") return;
  if (!services_.processes.StartProgram("write.exe " + path,
                                        platform::WindowStyle::kMaximizedFocus)) {
    return;  // nothing was started, so there is nothing to search in
  }
  Timer1.set_enabled(true);
}

void Form1::Timer1Timer() {
  auto& p = services_.processes;
  // The section name is typed literally: characters the key-string notation treats
  // as modifiers or groups would otherwise press other keys in the focused window.
  const std::string find_header = "[" + platform::EscapeKeyText(InstallSection) + "]";
  const std::function<bool()> steps[] = {
      [&] { return p.ActivateWindow("Wordpad"); },
      [&] { return p.SendKeys("^f"); },
      [&] { return p.SendKeys(find_header); },
      [&] { return p.SendKeys("{ENTER}"); },
      [&] { return p.SendKeys("{ESC}"); },
      [&] { return p.SendKeys("{END}"); },
      [&] { return p.SendKeys("^f"); },
      [&] { return p.SendKeys("["); },
      [&] { return p.SendKeys("{ENTER}"); },
      [&] { return p.SendKeys("{ESC}"); },
      [&] { return p.SendKeys("{HOME}"); },
  };
  // A failed step is tried again, so that no key is sent before the window was
  // activated and none is skipped; the tenth failure of a tick gives up.
  int errors = 0;
  for (const auto& step : steps) {
    while (!step()) {
      if (++errors >= kMaxErrorsPerTick) {
        Timer1.set_enabled(false);
        return;
      }
    }
  }
  Timer1.set_enabled(false);
}

}  // namespace veskaro::app
