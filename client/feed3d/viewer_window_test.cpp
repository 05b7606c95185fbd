// The viewer's window found and moved by its title on a real X server
// (xvfb-run, no window manager), as the client places the viewer when it
// appears.
#include "feed3d/viewer_window.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) would break gtest's names.
#include <X11/Xlib.h>

#include "testing/await.h"

namespace kelvara {
namespace {

class TitledWindow {
 public:
  TitledWindow(const char* title, int x, int y, int width, int height) : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 0, 0, 0);
    XStoreName(display_, window_, title);
    XMapWindow(display_, window_);
    XSync(display_, False);
  }
  ~TitledWindow() {
    if (!display_) return;
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  bool open() const { return display_ != nullptr; }

 private:
  Display* display_;
  Window window_ = 0;
};

TEST(ViewerWindow, FoundByItsTitleAndMovedWhereAsked) {
  const TitledWindow viewer(kViewerWindowTitle, 10, 20, 300, 200);
  ASSERT_TRUE(viewer.open()) << "no X display";
  WindowBox box;
  ASSERT_TRUE(FindTopLevelWindow(kViewerWindowTitle, &box));
  EXPECT_EQ(box.x, 10);
  EXPECT_EQ(box.y, 20);
  EXPECT_EQ(box.width, 300);
  EXPECT_EQ(box.height, 200);
  EXPECT_TRUE(ViewerWindowExists());

  ASSERT_TRUE(MoveTopLevelWindow(kViewerWindowTitle, 640, 330));
  EXPECT_TRUE(
      testing::Await([&] { return FindTopLevelWindow(kViewerWindowTitle, &box) && box.x == 640 && box.y == 330; },
                     std::chrono::seconds(20), std::chrono::milliseconds(20)))
      << box.x << ", " << box.y;
  EXPECT_EQ(box.width, 300);

  // Placed narrower, as where it fits beside the dialog only so.
  ASSERT_TRUE(PlaceTopLevelWindow(kViewerWindowTitle, WindowBox{500, 100, 240, 160}));
  EXPECT_TRUE(testing::Await(
      [&] {
        return FindTopLevelWindow(kViewerWindowTitle, &box) && box.x == 500 && box.y == 100 && box.width == 240 &&
               box.height == 160;
      },
      std::chrono::seconds(20), std::chrono::milliseconds(20)))
      << box.x << ", " << box.y << " " << box.width << "x" << box.height;

  // Another title is neither found nor moved.
  EXPECT_FALSE(TopLevelWindowExists("Qor 3D Viewer 2"));
  EXPECT_FALSE(MoveTopLevelWindow("Qor 3D", 0, 0));
}

}  // namespace
}  // namespace kelvara
