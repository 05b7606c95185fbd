#include "feed3d/viewer_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kelvara {
namespace {

// Windows can vanish while they are looked at; Xlib's default handler would
// end the program on the resulting BadWindow error.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

std::string NetWmName(Display* display, Window window) {
  Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(display, window, net_wm_name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr && type == utf8 && format == 8) {
    name.assign(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return name;
}

std::string WmName(Display* display, Window window) {
  XTextProperty property{};
  std::string name;
  if (XGetWMName(display, window, &property) != 0 && property.value != nullptr) {
    if (property.format == 8) name.assign(reinterpret_cast<char*>(property.value), property.nitems);
    XFree(property.value);
  }
  return name;
}

bool HasTitle(Display* display, Window window, const std::string& title) {
  std::string name = NetWmName(display, window);
  if (name.empty()) name = WmName(display, window);
  return name == title;
}

// The window itself or, for a window manager's frame, one of its children:
// the titled window, or 0.
Window TitledAtTopLevel(Display* display, Window window, const std::string& title) {
  if (HasTitle(display, window, title)) return window;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
    for (unsigned int i = 0; i < count && !found; ++i) {
      if (HasTitle(display, children[i], title)) found = children[i];
    }
  }
  if (children) XFree(children);
  return found;
}

// Runs `use` with the display, the top-level window (a frame, or the
// window itself) and the titled window, when there is one.
template <typename Use>
bool WithTopLevelWindow(const std::string& title, Use use) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XErrorHandler previous = XSetErrorHandler(IgnoreXError);

  bool found = false;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
    for (unsigned int i = 0; i < count && !found; ++i) {
      const Window titled = TitledAtTopLevel(display, children[i], title);
      if (titled) {
        found = true;
        use(display, children[i], titled);
      }
    }
  }
  if (children) XFree(children);

  XSync(display, False);  // every error of this search arrives before the handler goes
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return found;
}

}  // namespace

bool TopLevelWindowExists(const std::string& title) {
  return WithTopLevelWindow(title, [](Display*, Window, Window) {});
}

bool FindTopLevelWindow(const std::string& title, WindowBox* box) {
  return WithTopLevelWindow(title, [box](Display* display, Window top, Window) {
    Window root = 0;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (XGetGeometry(display, top, &root, &x, &y, &width, &height, &border, &depth) != 0)
      *box = WindowBox{x, y, static_cast<int>(width), static_cast<int>(height)};
  });
}

bool MoveTopLevelWindow(const std::string& title, int x, int y) {
  return WithTopLevelWindow(title, [x, y](Display* display, Window, Window titled) {
    // Under a window manager the request of the window inside moves its frame.
    XMoveWindow(display, titled, x, y);
    XFlush(display);
  });
}

bool PlaceTopLevelWindow(const std::string& title, const WindowBox& frame) {
  return WithTopLevelWindow(title, [&frame](Display* display, Window top, Window titled) {
    Window root = 0;
    int x = 0, y = 0;
    unsigned int top_width = 0, top_height = 0, width = 0, height = 0, border = 0, depth = 0;
    if (XGetGeometry(display, top, &root, &x, &y, &top_width, &top_height, &border, &depth) == 0 ||
        XGetGeometry(display, titled, &root, &x, &y, &width, &height, &border, &depth) == 0) {
      return;
    }
    // The decorations around the window keep their size.
    const int new_width = frame.width - static_cast<int>(top_width - width);
    const int new_height = frame.height - static_cast<int>(top_height - height);
    if (new_width > 0 && new_height > 0 &&
        (new_width != static_cast<int>(width) || new_height != static_cast<int>(height))) {
      XMoveResizeWindow(display, titled, frame.x, frame.y, static_cast<unsigned>(new_width),
                        static_cast<unsigned>(new_height));
    } else {
      XMoveWindow(display, titled, frame.x, frame.y);
    }
    XFlush(display);
  });
}

}  // namespace kelvara
