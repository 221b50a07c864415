#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

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

// Each message, sent once drawing is set up: the procedure's result and its calls, which are the golden sections'
// or, for a message it leaves to default handling, that one call, whose result it returns.
TEST_F(WndProcTest, AnswersItsOwnMessagesAndLeavesTheRestToDefaultHandling) {
  constexpr LRESULT byDefault = 42;
  const struct { const char* name; UINT message; WPARAM wParam; LRESULT result; std::vector<const char*> sections; }
  table[] = {
      {"erase background: nothing touched", WM_ERASEBKGND, 0, 1, {}},
      {"create: drawing set up", WM_CREATE, 0, 0, {"init"}},
      // Only the frame's own calls: no begin or end of painting, no validation.
      {"paint: one frame", WM_PAINT, 0, 0, {"frame"}},
      {"destroy: drawing released, then quit posted", WM_DESTROY, 0, 0, {"shutdown", "quit"}},
      // Any key, not only the Esc the notice names, and the window is not destroyed.
      {"Esc released: quit posted", WM_KEYUP, VK_ESCAPE, 0, {"quit"}},
      {"A released: quit posted", WM_KEYUP, 'A', 0, {"quit"}},
      {"space released: quit posted", WM_KEYUP, VK_SPACE, 0, {"quit"}},
      {"F1 released: quit posted", WM_KEYUP, VK_F1, 0, {"quit"}},
      {"system key released", WM_SYSKEYUP, 'A', byDefault, {}},
      {"system key pressed", WM_SYSKEYDOWN, 'A', byDefault, {}},
      {"key pressed", WM_KEYDOWN, 'A', byDefault, {}},
      {"close request", WM_CLOSE, 'A', byDefault, {}},
      {"system command", WM_SYSCOMMAND, 'A', byDefault, {}},
      {"quit", WM_QUIT, 'A', byDefault, {}},
      {"activation", 0x0006, 'A', byDefault, {}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    Send(WM_CREATE);
    recording::Reset();
    recording::TheScript().defWindowProcResult = byDefault;
    EXPECT_EQ(Send(row.message, row.wParam, 0xC0010001), row.result);
    std::vector<std::string> expected = GoldenCalls(row.sections);
    if (row.result == byDefault) {
      char call[80];
      std::snprintf(call, sizeof call, "DefWindowProcA(window, 0x%X, 0x41, 0xC0010001)", row.message);
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

TEST_F(WinMainTest, FillsTheClassRecordFieldByField) {
  WinMain(recording::moduleHandle, nullptr, nullptr, SW_SHOWDEFAULT);
  const WNDCLASSEXA& registered = recording::RegisteredClass();
  EXPECT_EQ(registered.cbSize, sizeof(WNDCLASSEXA));
  EXPECT_EQ(registered.style, 0x2003u);
  EXPECT_EQ(registered.lpfnWndProc, &WndProc);
  EXPECT_EQ(registered.cbClsExtra, 0);
  EXPECT_EQ(registered.cbWndExtra, 0);
  EXPECT_EQ(registered.hInstance, recording::moduleHandle);
  EXPECT_EQ(registered.hIcon, recording::iconHandle);
  EXPECT_EQ(registered.hCursor, nullptr);
  EXPECT_EQ(registered.hbrBackground, nullptr);
  EXPECT_EQ(registered.lpszMenuName, nullptr);
  EXPECT_STREQ(registered.lpszClassName, "test");
  EXPECT_EQ(registered.hIconSm, nullptr);
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
