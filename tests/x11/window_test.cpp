// Windows, sent messages and the message loop of the X11 layer, against a
// real X server.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/x11/x_errors.h"
#include "tests/support/program_on_server.h"
#include "tools/desktop.h"

namespace {

struct Delivery {
  UINT message;
  WPARAM wParam;
};

std::vector<Delivery> delivered;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  delivered.push_back(Delivery{message, wParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<UINT> Messages() {
  std::vector<UINT> messages;
  for (const Delivery& d : delivered) {
    messages.push_back(d.message);
  }
  return messages;
}

constexpr const char* className = "recording";

class WindowTest : public testsupport::ProgramOnServer {
 protected:
  void SetUp() override {
    ProgramOnServer::SetUp();
    OpenLayer();
    observer_ = display_;
    delivered.clear();
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = className;
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
  }

  HWND Create() {
    window_ = CreateWindowExA(0, className, "test", WS_POPUPWINDOW, 0, 0, 800, 800, nullptr, nullptr, nullptr,
                              nullptr);
    return window_;
  }

  static bool IsLive(HWND window) { return core::TheSession().windows.IsLive(window); }
  // The X window behind the window now.
  Window XidOf(HWND window) const { return static_cast<const x11::XWindow&>(*window->native).xid; }

  // Takes the next message, dispatching it as the program's loop does.
  UINT Pump() {
    MSG message{};
    GetMessageA(&message, nullptr, 0, 0);
    DispatchMessageA(&message);
    return message.message;
  }

  // Once both connections are synced, reads what the server has sent, up to a quit posted now.
  void ReadUpToQuit() {
    XSync(observer_, False);
    SyncLayer();
    delivered.clear();
    PostQuitMessage(0);
    MSG quit{};
    EXPECT_EQ(GetMessageA(&quit, nullptr, 0, 0), FALSE);
  }

  HWND window_ = nullptr;
  Display* observer_ = nullptr;
};

TEST_F(WindowTest, RegistrationRefusesAWrongSizeAndATakenName) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = 48;
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.lpszClassName = "other";
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpszClassName = className;
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(CreateWindowExA(0, "no such class", "test", WS_POPUPWINDOW, 0, 0, 800, 800, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
}

TEST_F(WindowTest, CreationSendsCreateBeforeReturningAndNamesTheXWindow) {
  ASSERT_NE(Create(), nullptr);
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_CREATE});
  char* name = nullptr;
  XFetchName(observer_, XidOf(window_), &name);
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "test");
  XFree(name);
  XWindowAttributes attributes;
  XGetWindowAttributes(observer_, XidOf(window_), &attributes);
  EXPECT_EQ(attributes.width, 800);
  EXPECT_EQ(attributes.height, 800);
  EXPECT_EQ(attributes.map_state, IsUnmapped);
}

TEST_F(WindowTest, ShowMaximizedCoversTheScreenAndTakesTheKeyboard) {
  Create();
  EXPECT_EQ(ShowWindow(window_, SW_SHOWMAXIMIZED), FALSE);
  SyncLayer();
  XWindowAttributes attributes;
  XGetWindowAttributes(observer_, XidOf(window_), &attributes);
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_EQ(attributes.x, 0);
  EXPECT_EQ(attributes.y, 0);
  EXPECT_EQ(attributes.width, DisplayWidth(observer_, 0));
  EXPECT_EQ(attributes.height, DisplayHeight(observer_, 0));
  Window focus;
  int revert;
  XGetInputFocus(observer_, &focus, &revert);
  EXPECT_EQ(focus, XidOf(window_));
}

TEST_F(WindowTest, UpdateSendsPaintInsideTheCallAndPaintNeverStops) {
  Create();
  delivered.clear();
  UpdateWindow(window_);
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_PAINT});
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_PAINT));
}

TEST_F(WindowTest, QuitEndsTheLoopAfterInputThatCameFirst) {
  Create();
  ShowWindow(window_, SW_SHOWMAXIMIZED);
  Display* input = observer_;
  XTestFakeKeyEvent(input, XKeysymToKeycode(input, XK_b), True, CurrentTime);
  XTestFakeKeyEvent(input, XKeysymToKeycode(input, XK_b), False, CurrentTime);
  XSync(input, False);
  SyncLayer();
  PostQuitMessage(5);
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(delivered.back().wParam, static_cast<WPARAM>('B'));
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_KEYUP));
  MSG quit{};
  EXPECT_EQ(GetMessageA(&quit, nullptr, 0, 0), FALSE);
  EXPECT_EQ(quit.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(quit.wParam, 5u);
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_PAINT));
}

TEST_F(WindowTest, CloseRequestFromTheWindowManagerDestroysTheWindow) {
  Create();
  ShowWindow(window_, SW_SHOWMAXIMIZED);
  const Window xid = XidOf(window_);
  tools::RequestClose(observer_, xid);
  SyncLayer();
  delivered.clear();
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(IsLive(window_));
  SyncLayer();
  XWindowAttributes attributes;
  x11::ExpectedErrors gone(observer_, {BadWindow});
  XGetWindowAttributes(observer_, xid, &attributes);
  EXPECT_TRUE(gone.Caught()) << "the X window is gone";
}

TEST_F(WindowTest, AWindowAnotherClientDestroysIsDestroyedForTheProgramToo) {
  Create();
  ShowWindow(window_, SW_SHOWMAXIMIZED);
  XDestroyWindow(observer_, XidOf(window_));
  ReadUpToQuit();
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_DESTROY});
  EXPECT_FALSE(IsLive(window_));
}

// The observer stands in for an EWMH window manager: it announces itself,
// takes the root's map requests and reads the requests sent to it.
class WindowManagerTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const Window root = DefaultRootWindow(observer_);
    check_ = XCreateSimpleWindow(observer_, root, 0, 0, 1, 1, 0, 0, 0);
    const Atom checkAtom = Intern("_NET_SUPPORTING_WM_CHECK");
    for (const Window window : {root, check_}) {
      XChangeProperty(observer_, window, checkAtom, XA_WINDOW, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&check_), 1);
    }
    XSelectInput(observer_, root, SubstructureRedirectMask);
    XSync(observer_, False);
  }
  void TearDown() override {
    XDeleteProperty(observer_, DefaultRootWindow(observer_), Intern("_NET_SUPPORTING_WM_CHECK"));
    XSync(observer_, False);
    WindowTest::TearDown();
  }

  Atom Intern(const char* name) { return XInternAtom(observer_, name, False); }

  // The next request the window manager gets, mapping windows as it is asked to.
  XEvent ReadRequest() {
    for (;;) {
      XEvent event;
      XNextEvent(observer_, &event);
      if (event.type == MapRequest) {
        XMapWindow(observer_, event.xmaprequest.window);
        XSync(observer_, False);
      }
      if (event.type == ClientMessage) {
        return event;
      }
    }
  }

  Window check_ = None;
};

TEST_F(WindowManagerTest, AWindowManagerIsAskedToActivateAndToMaximizeAShownWindow) {
  Create();
  ShowWindow(window_, SW_SHOWMAXIMIZED);
  const XEvent activate = ReadRequest();
  EXPECT_EQ(activate.xclient.message_type, Intern("_NET_ACTIVE_WINDOW"));
  EXPECT_EQ(activate.xclient.window, XidOf(window_));
  EXPECT_EQ(activate.xclient.data.l[0], 1) << "from an application";

  // A shown window is maximized by a request; one not yet shown, by its state.
  EXPECT_EQ(ShowWindow(window_, SW_SHOWMAXIMIZED), TRUE);
  const XEvent maximize = ReadRequest();
  EXPECT_EQ(maximize.xclient.message_type, Intern("_NET_WM_STATE"));
  EXPECT_EQ(maximize.xclient.window, XidOf(window_));
  EXPECT_EQ(maximize.xclient.data.l[0], 1) << "add";
  EXPECT_EQ(static_cast<Atom>(maximize.xclient.data.l[1]), Intern("_NET_WM_STATE_MAXIMIZED_VERT"));
  EXPECT_EQ(static_cast<Atom>(maximize.xclient.data.l[2]), Intern("_NET_WM_STATE_MAXIMIZED_HORZ"));
}

TEST_F(WindowManagerTest, AManagerThatHasExitedIsNoneThoughItsPropertyStays) {
  XDestroyWindow(observer_, check_);
  XSelectInput(observer_, DefaultRootWindow(observer_), NoEventMask);
  XSync(observer_, False);
  Create();
  ShowWindow(window_, SW_SHOWMAXIMIZED);
  SyncLayer();
  // Without a window manager the program covers the screen itself.
  XWindowAttributes attributes;
  XGetWindowAttributes(observer_, XidOf(window_), &attributes);
  EXPECT_EQ(attributes.width, DisplayWidth(observer_, 0));
  EXPECT_EQ(attributes.map_state, IsViewable);
}

TEST_F(WindowTest, AltF4BecomesACloseRequest) {
  Create();
  delivered.clear();
  DefWindowProcA(window_, WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(KF_ALTDOWN) << 16 | 1);
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_SYSCOMMAND));
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(IsLive(window_));
}

TEST_F(WindowTest, F4WithoutAltAndOtherMessagesAreIgnored) {
  Create();
  delivered.clear();
  EXPECT_EQ(DefWindowProcA(window_, WM_SYSKEYDOWN, VK_F4, 1), 0);
  EXPECT_EQ(DefWindowProcA(window_, WM_SYSKEYUP, VK_F4, 0), 0);
  EXPECT_EQ(DefWindowProcA(window_, WM_KEYDOWN, 'A', 0), 0);
  EXPECT_EQ(Pump(), static_cast<UINT>(WM_PAINT));
  EXPECT_TRUE(IsLive(window_));
}

}  // namespace

// The observer stands in for a compositing manager that starts and then
// stops: the handle stays and lives on, its X window is replaced by one of
// the visual each mode shows through, a key released on the old one as it
// goes still counts, and the old one's end is no end of it.
TEST_F(WindowTest, ACompositorComingAndGoingReplacesTheXWindowBehindTheSameHandle) {
  Create();
  ShowWindow(window_, SW_SHOWMAXIMIZED);
  const HDC screen = GetDC(nullptr);
  const Atom selection = XInternAtom(observer_, "_NET_WM_CM_S0", False);
  const Window owner = XCreateSimpleWindow(observer_, DefaultRootWindow(observer_), 0, 0, 1, 1, 0, 0, 0);
  const struct {
    Window owner;
    int depth;
  } steps[] = {{owner, 32}, {None, DefaultDepth(observer_, 0)}};
  for (const auto& step : steps) {
    const Window before = XidOf(window_);
    XSetSelectionOwner(observer_, selection, step.owner, CurrentTime);
    XEvent key{};
    key.xkey = XKeyEvent{KeyRelease, 0, True, observer_, before, DefaultRootWindow(observer_), None, CurrentTime,
                         0, 0, 0, 0, 0, XKeysymToKeycode(observer_, XK_Escape), True};
    XSendEvent(observer_, before, False, KeyReleaseMask, &key);
    XSync(observer_, False);
    SyncLayer();
    delivered.clear();
    PostQuitMessage(0);
    while (Pump() != WM_QUIT) {
    }
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_KEYUP});
    delivered.clear();
    // Its old X window's DestroyNotify, read with the quit, destroyed nothing.
    SyncLayer();
    PostQuitMessage(0);
    MSG quit{};
    EXPECT_EQ(GetMessageA(&quit, nullptr, 0, 0), FALSE);
    EXPECT_EQ(Messages(), std::vector<UINT>{});
    ASSERT_TRUE(IsLive(window_));
    EXPECT_NE(XidOf(window_), before);
    XWindowAttributes attributes;
    ASSERT_NE(XGetWindowAttributes(observer_, XidOf(window_), &attributes), 0);
    EXPECT_EQ(attributes.depth, step.depth);
    EXPECT_EQ(attributes.map_state, IsViewable);
  }
  ReleaseDC(nullptr, screen);
  XDestroyWindow(observer_, owner);
}
