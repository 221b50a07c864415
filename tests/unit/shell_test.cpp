#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "program_state.h"
#include "shell/shell.h"

namespace {

using testing::ElementsAreArray;

class WndProcTest : public ProgramTest {
 protected:
  static LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return WndProc(recording::windowHandle, message, wParam, lParam);
  }
};

// Key data as Windows gives it: a repeat count of 1 and a scan code, then the flags of a first press, of a
// press repeated while the key is held, and of a release.
constexpr LPARAM pressed = 0x00010001;
constexpr LPARAM repeated = pressed | static_cast<LPARAM>(KF_REPEAT) << 16;
constexpr LPARAM released = repeated | static_cast<LPARAM>(KF_UP) << 16;

struct Sent {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Each message, sent once drawing is set up and after the key messages before it: the procedure's result
// and its calls, which are the golden sections' or, for a message it leaves to default handling, that one
// call, whose result it returns.
TEST_F(WndProcTest, AnswersItsOwnMessagesAndLeavesTheRestToDefaultHandling) {
  constexpr LRESULT byDefault = 42;
  const struct { const char* name; std::vector<Sent> before; Sent sent; LRESULT result; std::vector<const char*> sections; }
  table[] = {
      {"erase background: nothing touched", {}, {WM_ERASEBKGND, 0, 0}, 1, {}},
      {"create: drawing set up", {}, {WM_CREATE, 0, 0}, 0, {"init"}},
      // Only the frame's own calls: no begin or end of painting, no validation.
      {"paint: one frame", {}, {WM_PAINT, 0, 0}, 0, {"frame"}},
      {"destroy: drawing released, then quit posted", {}, {WM_DESTROY, 0, 0}, 0, {"shutdown", "quit"}},
      // Any key pressed and released, not only the Esc the notice names, and the window is not destroyed.
      {"Esc pressed and released: quit posted", {{WM_KEYDOWN, VK_ESCAPE, pressed}}, {WM_KEYUP, VK_ESCAPE, released},
       0, {"quit"}},
      {"F1 pressed and released: quit posted", {{WM_KEYDOWN, VK_F1, pressed}}, {WM_KEYUP, VK_F1, released}, 0,
       {"quit"}},
      {"A held, then released: quit posted", {{WM_KEYDOWN, 'A', pressed}, {WM_KEYDOWN, 'A', repeated}},
       {WM_KEYUP, 'A', released}, 0, {"quit"}},
      // The key that dismissed the notice went down before the window had the keyboard.
      {"Return released, its press unseen", {}, {WM_KEYUP, VK_RETURN, released}, byDefault, {}},
      {"Return held from before: repeats, then its release", {{WM_KEYDOWN, VK_RETURN, repeated},
       {WM_KEYDOWN, VK_RETURN, repeated}}, {WM_KEYUP, VK_RETURN, released}, byDefault, {}},
      {"A pressed, Return released", {{WM_KEYDOWN, 'A', pressed}}, {WM_KEYUP, VK_RETURN, released}, byDefault, {}},
      {"key pressed", {}, {WM_KEYDOWN, 'A', pressed}, byDefault, {}},
      {"system key pressed and released", {{WM_SYSKEYDOWN, 'A', pressed}}, {WM_SYSKEYUP, 'A', released}, byDefault,
       {}},
      {"close request", {}, {WM_CLOSE, 'A', 0}, byDefault, {}},
      {"system command", {}, {WM_SYSCOMMAND, 'A', 0}, byDefault, {}},
      {"quit", {}, {WM_QUIT, 'A', 0}, byDefault, {}},
      {"activation", {}, {0x0006, 'A', 0}, byDefault, {}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    std::memset(keysDown, 0, sizeof keysDown);
    Send(WM_CREATE);
    for (const Sent& key : row.before) {
      Send(key.message, key.wParam, key.lParam);
    }
    recording::Reset();
    recording::TheScript().defWindowProcResult = byDefault;
    EXPECT_EQ(Send(row.sent.message, row.sent.wParam, row.sent.lParam), row.result);
    std::vector<std::string> expected = GoldenCalls(row.sections);
    if (row.result == byDefault) {
      char call[80];
      std::snprintf(call, sizeof call, "DefWindowProcA(window, 0x%X, 0x%X, 0x%lX)", row.sent.message,
                    static_cast<unsigned>(row.sent.wParam), static_cast<unsigned long>(row.sent.lParam));
      expected.push_back(call);
    }
    EXPECT_THAT(recording::Calls(), ElementsAreArray(expected));
  }
}

class WinMainTest : public ProgramTest {
 protected:
  static MSG Message(UINT message, WPARAM wParam = 0) {
    return MSG{recording::windowHandle, message, wParam, 0, 0, POINT{0, 0}};
  }
};

// The window is shown maximized whatever the show command, and the loop's last message gives the code.
TEST_F(WinMainTest, RegistersCreatesShowsUpdatesAndRunsTheLoop) {
  const struct { const char* name; INT showCommand; WPARAM quitCode; } table[] = {
      {"as Start calls it", SW_SHOWDEFAULT, 0},
      {"told to hide, quitting with 7", 0, 7},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    recording::Reset();
    recording::TheScript().messages = {Message(WM_PAINT), Message(WM_KEYUP, 0x1B),
                                       MSG{nullptr, WM_QUIT, row.quitCode, 0, 0, {}}};
    EXPECT_EQ(WinMain(recording::moduleHandle, nullptr, nullptr, row.showCommand), row.quitCode);

    std::vector<std::string> calls = recording::Calls();
    // The class and message records are local to WinMain: compare those calls without their addresses.
    for (std::string& call : calls) {
      if (call.rfind("GetMessageA(", 0) == 0) {
        call = "GetMessageA(msg" + call.substr(call.find(','));
      } else if (call.rfind("RegisterClassExA(", 0) == 0) {
        call = "RegisterClassExA(record)";
      }
    }
    // The notice and the module handle come before WinMain, in Start.
    std::vector<std::string> expected = GoldenCalls({"start", "show"});
    expected.erase(expected.begin(), expected.begin() + 2);
    expected.insert(expected.end(),
                    {"GetMessageA(msg, null, 0, 0)", "TranslateMessage(0xF)", "DispatchMessageA(0xF)",
                     "GetMessageA(msg, null, 0, 0)", "TranslateMessage(0x101)", "DispatchMessageA(0x101)",
                     "GetMessageA(msg, null, 0, 0)"});
    EXPECT_THAT(calls, ElementsAreArray(expected));
  }
}

// The class the window is created with is the one registered: its procedure is WndProc, it belongs to the
// module and carries the icon found for it, its record is one Windows accepts, and no background brush paints
// over what the screen shows.
TEST_F(WinMainTest, TheWindowsClassIsTheRegisteredOneOfTheModuleWithNoBackground) {
  recording::TheScript().icon = reinterpret_cast<HICON>(0x1C05);
  WinMain(recording::moduleHandle, nullptr, nullptr, SW_SHOWDEFAULT);
  const WNDCLASSEXA& registered = recording::RegisteredClass();
  EXPECT_EQ(registered.cbSize, sizeof(WNDCLASSEXA));
  EXPECT_EQ(registered.lpfnWndProc, &WndProc);
  EXPECT_EQ(registered.hInstance, recording::moduleHandle);
  EXPECT_EQ(registered.hIcon, reinterpret_cast<HICON>(0x1C05));
  EXPECT_EQ(registered.hbrBackground, nullptr);
  const auto created = std::find_if(recording::Calls().begin(), recording::Calls().end(),
                                    [](const std::string& call) { return call.rfind("CreateWindowExA(", 0) == 0; });
  ASSERT_NE(created, recording::Calls().end());
  EXPECT_EQ(created->rfind(std::string("CreateWindowExA(0x0, \"") + registered.lpszClassName + "\"", 0), 0u)
      << *created;
}

// Without a class or a window no key could ever end the loop.
TEST_F(WinMainTest, GivesUpWithOneWhenTheClassOrTheWindowFails) {
  const struct { const char* failing; void (*fail)(recording::Script&); } table[] = {
      {"RegisterClassExA(", [](recording::Script& script) { script.classAtom = 0; }},
      {"CreateWindowExA(", [](recording::Script& script) { script.createdWindow = nullptr; }},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.failing);
    recording::Reset();
    row.fail(recording::TheScript());
    EXPECT_EQ(WinMain(recording::moduleHandle, nullptr, nullptr, SW_SHOWDEFAULT), 1u);
    EXPECT_EQ(recording::Calls().back().rfind(row.failing, 0), 0u);
  }
}

TEST_F(WinMainTest, StartShowsTheNoticeFirstAndExitsWithWinMainsCode) {
  recording::TheScript().messages = {MSG{nullptr, WM_QUIT, 0, 0, 0, {}}};
  UINT exitCode = 99;
  try {
    Start();
  } catch (const recording::ProcessExit& exit) {
    exitCode = exit.code;
  }
  EXPECT_EQ(exitCode, 0u);
  const std::vector<std::string>& calls = recording::Calls();
  const std::vector<std::string> start = GoldenCalls({"start"});
  ASSERT_GE(calls.size(), 3u);
  EXPECT_THAT(std::vector(calls.begin(), calls.begin() + 3), ElementsAreArray(start.begin(), start.begin() + 3));
  EXPECT_EQ(calls.back(), GoldenCalls({"exit"}).back());
  EXPECT_EQ(hInstance, recording::moduleHandle);
}

}  // namespace
