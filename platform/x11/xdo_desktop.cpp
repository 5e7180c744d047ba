// The one source file that includes the X11 and libxdo headers: their macros (None,
// Bool, Status, KeyPress, ...) clash with C++ and Qt names, so every header this
// file needs from elsewhere comes first, and nothing of X11 leaves this file.
#include "platform/x11/xdo_desktop.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/qt/cp1252.h"
#include "platform/x11/window_title.h"

// xdo.h declares C functions without extern "C" of its own.
extern "C" {
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xdo.h>
}

namespace veskaro::platform {
namespace {

// X errors are reported asynchronously to one process-wide handler; the default
// handler ends the program. While a call runs, errors are counted instead.
int g_x_error_count = 0;

int CountXError(Display*, XErrorEvent*) {
  ++g_x_error_count;
  return 0;
}

// Installs the counting handler for its lifetime and tells whether an error came.
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display)
      : display_(display), previous_(XSetErrorHandler(CountXError)), start_(g_x_error_count) {}
  ~XErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  bool failed() {
    XSync(display_, False);
    return g_x_error_count != start_;
  }

 private:
  Display* display_;
  XErrorHandler previous_;
  int start_;
};

const char* NamedKeySym(NamedKey key) {
  switch (key) {
    case NamedKey::kEnter:
      return "Return";
    case NamedKey::kEscape:
      return "Escape";
    case NamedKey::kTab:
      return "Tab";
    case NamedKey::kBackspace:
      return "BackSpace";
    case NamedKey::kDelete:
      return "Delete";
    case NamedKey::kInsert:
      return "Insert";
    case NamedKey::kHome:
      return "Home";
    case NamedKey::kEnd:
      return "End";
    case NamedKey::kPageUp:
      return "Prior";
    case NamedKey::kPageDown:
      return "Next";
    case NamedKey::kUp:
      return "Up";
    case NamedKey::kDown:
      return "Down";
    case NamedKey::kLeft:
      return "Left";
    case NamedKey::kRight:
      return "Right";
    case NamedKey::kBreak:
      return "Break";
    case NamedKey::kCapsLock:
      return "Caps_Lock";
    case NamedKey::kNumLock:
      return "Num_Lock";
    case NamedKey::kScrollLock:
      return "Scroll_Lock";
    case NamedKey::kPrintScreen:
      return "Print";
    case NamedKey::kHelp:
      return "Help";
    default:
      break;
  }
  return nullptr;
}

// The keysym name xdo_send_keysequence_window understands for one stroke.
std::string KeySymName(const KeyStroke& stroke) {
  if (stroke.key != NamedKey::kNone) {
    const int f = static_cast<int>(stroke.key) - static_cast<int>(NamedKey::kF1);
    if (f >= 0 && f < 16) return "F" + std::to_string(f + 1);
    const char* name = NamedKeySym(stroke.key);
    return name != nullptr ? name : std::string();
  }
  const char32_t code = Cp1252ToUnicode(static_cast<unsigned char>(stroke.character));
  // Latin-1 keysyms equal their code points and have names; the others are
  // Unicode keysyms, written "U<hex>" (XKeysymToString would allocate that text).
  if (code < 0x100) {
    if (const char* name = XKeysymToString(static_cast<KeySym>(code))) return name;
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U%04X", static_cast<unsigned>(code));
  return buffer;
}

}  // namespace

struct XdoDesktop::Impl {
  xdo_t* xdo = nullptr;
  useconds_t key_delay_us = 0;

  ~Impl() {
    if (xdo != nullptr) xdo_free(xdo);
  }
  Display* display() const { return xdo->xdpy; }

  // The window's title: _NET_WM_NAME (UTF-8), else WM_NAME.
  std::string Title(Window window) {
    Display* d = display();
    const Atom net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8_string = XInternAtom(d, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, window, net_wm_name, 0, 4096, False, utf8_string, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
      if (type == utf8_string && format == 8) title.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
    }
    if (!title.empty()) return title;
    XTextProperty property;
    if (XGetWMName(d, window, &property) != 0 && property.value != nullptr) {
      if (property.encoding == XA_STRING) {
        title = QString::fromLatin1(reinterpret_cast<char*>(property.value),
                                    static_cast<qsizetype>(property.nitems))
                    .toStdString();
      } else {
        char** list = nullptr;
        int items = 0;
        if (Xutf8TextPropertyToTextList(d, &property, &list, &items) >= Success && items > 0 &&
            list != nullptr) {
          title = list[0];
        }
        if (list != nullptr) XFreeStringList(list);
      }
      XFree(property.value);
    }
    return title;
  }

  bool HasWmState(Window window) {
    Display* d = display();
    const Atom wm_state = XInternAtom(d, "WM_STATE", True);
    if (wm_state == 0) return false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool ok = XGetWindowProperty(d, window, wm_state, 0, 0, False, AnyPropertyType, &type,
                                       &format, &count, &after, &data) == Success;
    if (data != nullptr) XFree(data);
    return ok && type != 0;
  }

  // The client window inside a window manager's frame: the first descendant that
  // carries WM_STATE; the window itself when there is none (no window manager).
  Window ClientOf(Window window, int depth = 0) {
    if (HasWmState(window) || depth > 3) return window;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display(), window, &root, &parent, &children, &count) != 0) {
      for (unsigned int i = count; i-- > 0 && found == 0;) {
        const Window client = ClientOf(children[i], depth + 1);
        if (client != children[i] || HasWmState(client)) found = client;
      }
      if (children != nullptr) XFree(children);
    }
    return found != 0 ? found : window;
  }

  struct TopLevel {
    Window window;
    std::string title;
  };

  // Viewable top-level windows with a title, bottom of the stacking order first.
  std::vector<TopLevel> TopLevels() {
    std::vector<TopLevel> out;
    Display* d = display();
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count) == 0) return out;
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(d, children[i], &attributes) == 0) continue;
      if (attributes.map_state != IsViewable || attributes.override_redirect) continue;
      const Window client = ClientOf(children[i]);
      std::string title = Title(client);
      if (!title.empty()) out.push_back({client, std::move(title)});
    }
    if (children != nullptr) XFree(children);
    return out;
  }

  bool WindowManagerActivates() {
    Display* d = display();
    const Atom supported = XInternAtom(d, "_NET_SUPPORTED", True);
    const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", True);
    if (supported == 0 || active == 0) return false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(d, DefaultRootWindow(d), supported, 0, 4096, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr) {
      const Atom* atoms = reinterpret_cast<const Atom*>(data);
      for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == active;
      XFree(data);
    }
    return found;
  }

  // Whether `a` is `b` or one of its ancestors.
  bool IsSameOrAncestor(Window a, Window b) {
    Display* d = display();
    for (Window w = b; w != 0;) {
      if (w == a) return true;
      Window root = 0;
      Window parent = 0;
      Window* children = nullptr;
      unsigned int count = 0;
      if (XQueryTree(d, w, &root, &parent, &children, &count) == 0) return false;
      if (children != nullptr) XFree(children);
      if (w == root) return false;
      w = parent;
    }
    return false;
  }

  bool HasFocus(Window window) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display(), &focus, &revert);
    if (focus == None || focus == PointerRoot) return false;
    return IsSameOrAncestor(window, focus) || IsSameOrAncestor(focus, window);
  }
};

XdoDesktop::XdoDesktop(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
XdoDesktop::~XdoDesktop() = default;

std::unique_ptr<XdoDesktop> XdoDesktop::Open(const std::string& display, int key_delay_ms) {
  auto impl = std::make_unique<Impl>();
  impl->xdo = xdo_new(display.empty() ? nullptr : display.c_str());
  if (impl->xdo == nullptr) return nullptr;
  impl->xdo->quiet = 1;
  impl->key_delay_us = static_cast<useconds_t>(key_delay_ms) * 1000;
  return std::unique_ptr<XdoDesktop>(new XdoDesktop(std::move(impl)));
}

std::vector<std::string> XdoDesktop::WindowTitles() {
  XErrorTrap trap(impl_->display());
  std::vector<std::string> titles;
  for (auto& top : impl_->TopLevels()) titles.push_back(std::move(top.title));
  return titles;
}

bool XdoDesktop::ActivateWindow(std::string_view title, int focus_wait_ms) {
  Display* d = impl_->display();
  XErrorTrap trap(d);
  const auto windows = impl_->TopLevels();
  std::vector<QString> titles;
  for (const auto& top : windows) titles.push_back(QString::fromStdString(top.title));
  const int chosen = ChooseWindowByTitle(titles, FromCp1252(title));
  if (chosen < 0) return false;
  const Window window = windows[static_cast<std::size_t>(chosen)].window;

  if (!impl_->WindowManagerActivates() || xdo_activate_window(impl_->xdo, window) != XDO_SUCCESS) {
    XRaiseWindow(d, window);
    XSetInputFocus(d, window, RevertToParent, CurrentTime);
  }
  if (trap.failed()) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(focus_wait_ms);
  while (!impl_->HasFocus(window)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !trap.failed();
}

bool XdoDesktop::SendKeys(const std::vector<KeyStroke>& strokes) {
  XErrorTrap trap(impl_->display());
  bool ok = true;
  std::string text;  // plain characters, typed together
  auto flush_text = [&] {
    if (text.empty()) return;
    ok = xdo_enter_text_window(impl_->xdo, CURRENTWINDOW, text.c_str(), impl_->key_delay_us) ==
             XDO_SUCCESS &&
         ok;
    text.clear();
  };
  for (const KeyStroke& stroke : strokes) {
    if (!ok) break;
    if (stroke.key == NamedKey::kNone && !stroke.ctrl && !stroke.alt && !stroke.shift) {
      text += FromCp1252(std::string_view(&stroke.character, 1)).toUtf8().toStdString();
      continue;
    }
    flush_text();
    const std::string name = KeySymName(stroke);
    if (name.empty()) {
      ok = false;
      break;
    }
    std::string sequence;
    if (stroke.ctrl) sequence += "ctrl+";
    if (stroke.alt) sequence += "alt+";
    if (stroke.shift) sequence += "shift+";
    sequence += name;
    ok = xdo_send_keysequence_window(impl_->xdo, CURRENTWINDOW, sequence.c_str(),
                                     impl_->key_delay_us) == XDO_SUCCESS &&
         ok;
  }
  if (ok) flush_text();
  return ok && !trap.failed();
}

}  // namespace veskaro::platform
