// The one source file that includes the X11 and libxdo headers: their macros (None,
// Bool, Status, KeyPress, ...) clash with C++ and Qt names, so every header this
// file needs from elsewhere comes first, and nothing of X11 leaves this file.
#include "platform/x11/xdo_desktop.h"

#include <poll.h>

#include <QGuiApplication>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>
#include <unordered_set>

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

// How long a program is given to answer a ping: it answers in milliseconds unless
// it hangs or the machine is very busy.
constexpr std::chrono::seconds kAnswerWait{5};
// The pause given instead to a program that cannot be pinged.
constexpr std::chrono::milliseconds kUnobservedPause{250};

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
  long pings_sent = 0;

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

  // The parent of `window`; 0 for the root window or on an error.
  Window Parent(Window window) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display(), window, &root, &parent, &children, &count) == 0) return 0;
    if (children != nullptr) XFree(children);
    return window == root ? 0 : parent;
  }

  // Whether `a` is `b` or one of its ancestors.
  bool IsSameOrAncestor(Window a, Window b) {
    for (Window w = b; w != 0; w = Parent(w)) {
      if (w == a) return true;
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

  // The keysyms some key of the keyboard produces, and the keys that produce none.
  struct KeyMap {
    std::unordered_set<KeySym> keysyms;
    std::vector<KeyCode> spare;
  };

  KeyMap CurrentKeyMap() {
    KeyMap map;
    Display* d = display();
    int low = 0;
    int high = 0;
    XDisplayKeycodes(d, &low, &high);
    int per_key = 0;
    KeySym* keysyms = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &per_key);
    if (keysyms == nullptr) return map;
    for (int code = low; code <= high; ++code) {
      const KeySym* first = keysyms + static_cast<std::ptrdiff_t>(code - low) * per_key;
      bool empty = true;
      for (const KeySym* k = first; k != first + per_key; ++k) {
        if (*k == NoSymbol) continue;
        empty = false;
        map.keysyms.insert(*k);
      }
      if (empty) map.spare.push_back(static_cast<KeyCode>(code));
    }
    XFree(keysyms);
    return map;
  }

  void Bind(KeyCode code, KeySym keysym) { XChangeKeyboardMapping(display(), code, 1, &keysym, 1); }

  // The window of the program that has the focus when that program answers
  // _NET_WM_PING (listed in WM_PROTOCOLS of the focused window or an ancestor), else 0.
  Window PingableFocus() {
    Display* d = display();
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    if (focus == None || focus == PointerRoot) return 0;
    const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    for (Window w = focus; w != 0; w = Parent(w)) {
      Atom* protocols = nullptr;
      int count = 0;
      if (XGetWMProtocols(d, w, &protocols, &count) == 0) continue;
      const bool pingable = std::find(protocols, protocols + count, ping) != protocols + count;
      XFree(protocols);
      if (pingable) return w;
    }
    return 0;
  }

  // Whether `window` is one of this program's own, whose events the thread calling
  // waits to handle: it cannot answer a ping meanwhile.
  static bool OwnWindowOfThisThread(Window window) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<const QGuiApplication*>(app) == nullptr ||
        QThread::currentThread() != app->thread()) {
      return false;
    }
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(), [window](const QWindow* w) {
      return w->handle() != nullptr && w->winId() == static_cast<WId>(window);
    });
  }

  // Waits until the program that has the focus has handled every event the X server
  // sent it so far (its key events and keyboard mapping changes): a program answers
  // a _NET_WM_PING after the events before it. One that takes no pings is given a
  // pause instead.
  void WaitForFocusedProgram() {
    Display* d = display();
    const Window client = PingableFocus();
    if (client == 0 || OwnWindowOfThisThread(client)) {
      std::this_thread::sleep_for(kUnobservedPause);
      return;
    }
    const Window root = DefaultRootWindow(d);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    const long token = ++pings_sent;
    // The answer is sent to the root window for its SubstructureNotify listeners.
    XSelectInput(d, root, SubstructureNotifyMask);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = client;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = token;
    event.xclient.data.l[2] = static_cast<long>(client);
    XSendEvent(d, client, False, NoEventMask, &event);
    const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
    for (bool answered = false; !answered;) {
      while (!answered && XPending(d) > 0) {
        XEvent reply;
        XNextEvent(d, &reply);
        answered = reply.type == ClientMessage && reply.xclient.message_type == protocols &&
                   reply.xclient.data.l[0] == static_cast<long>(ping) &&
                   reply.xclient.data.l[1] == token &&
                   reply.xclient.data.l[2] == static_cast<long>(client);
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (answered || left.count() <= 0) break;
      pollfd connection{ConnectionNumber(d), POLLIN, 0};
      poll(&connection, 1, static_cast<int>(std::min<long>(left.count(), 100)));
    }
    XSelectInput(d, root, NoEventMask);
    XSync(d, True);  // drops the other events of the root window
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
  Display* d = impl_->display();
  XErrorTrap trap(d);
  std::vector<std::string> names;
  std::vector<KeySym> keysyms;
  for (const KeyStroke& stroke : strokes) {
    names.push_back(KeySymName(stroke));
    keysyms.push_back(names.back().empty() ? NoSymbol : XStringToKeysym(names.back().c_str()));
    if (keysyms.back() == NoSymbol) return false;
  }
  // Keysyms the keyboard lacks are bound to spare keys, as libxdo would do, but for
  // as long as the receiving program needs: libxdo takes its binding back right
  // after the key press, and a program busy at that moment reads the keyboard
  // mapping too late and sees a key that types nothing. So the strokes are typed in
  // runs whose missing keysyms fit on the spare keys; each run is bound, typed, and
  // unbound once the program has handled it.
  const Impl::KeyMap map = impl_->CurrentKeyMap();
  bool ok = true;
  for (std::size_t begin = 0; ok && begin < strokes.size();) {
    std::map<KeySym, KeyCode> bound;
    std::size_t end = begin;
    for (; end < strokes.size(); ++end) {
      const KeySym keysym = keysyms[end];
      if (map.keysyms.count(keysym) != 0 || bound.count(keysym) != 0) continue;
      if (bound.size() == map.spare.size()) break;
      bound.emplace(keysym, map.spare[bound.size()]);
    }
    if (end == begin) return false;  // no spare key to bind a missing keysym to
    for (const auto& [keysym, code] : bound) impl_->Bind(code, keysym);

    std::string text;  // plain characters, typed together
    auto flush_text = [&] {
      if (text.empty()) return;
      ok = xdo_enter_text_window(impl_->xdo, CURRENTWINDOW, text.c_str(), impl_->key_delay_us) ==
               XDO_SUCCESS &&
           ok;
      text.clear();
    };
    for (std::size_t i = begin; i < end && ok; ++i) {
      const KeyStroke& stroke = strokes[i];
      const auto binding = bound.find(keysyms[i]);
      const bool plain =
          stroke.key == NamedKey::kNone && !stroke.ctrl && !stroke.alt && !stroke.shift;
      if (plain && binding == bound.end()) {
        text += FromCp1252(std::string_view(&stroke.character, 1)).toUtf8().toStdString();
        continue;
      }
      flush_text();
      if (binding != bound.end()) {
        charcodemap_t key{};
        key.code = binding->second;
        key.symbol = binding->first;
        key.modmask = (stroke.ctrl ? ControlMask : 0) | (stroke.alt ? Mod1Mask : 0) |
                      (stroke.shift ? ShiftMask : 0);
        const useconds_t half = impl_->key_delay_us / 2;
        ok = xdo_send_keysequence_window_list_do(impl_->xdo, CURRENTWINDOW, &key, 1, True, nullptr,
                                                 half) == XDO_SUCCESS &&
             xdo_send_keysequence_window_list_do(impl_->xdo, CURRENTWINDOW, &key, 1, False, nullptr,
                                                 half) == XDO_SUCCESS;
        continue;
      }
      std::string sequence;
      if (stroke.ctrl) sequence += "ctrl+";
      if (stroke.alt) sequence += "alt+";
      if (stroke.shift) sequence += "shift+";
      sequence += names[i];
      ok = xdo_send_keysequence_window(impl_->xdo, CURRENTWINDOW, sequence.c_str(),
                                       impl_->key_delay_us) == XDO_SUCCESS;
    }
    if (ok) flush_text();

    if (!bound.empty()) {
      XSync(d, False);
      impl_->WaitForFocusedProgram();
      for (const auto& [keysym, code] : bound) impl_->Bind(code, NoSymbol);
      XSync(d, False);
    }
    begin = end;
  }
  return ok && !trap.failed();
}

}  // namespace veskaro::platform
