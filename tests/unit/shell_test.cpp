#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "program_state.h"
#include "shell/shell.h"

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

class WndProcTest : public ProgramTest {
 protected:
  static LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return WndProc(recording::windowHandle, message, wParam, lParam);
  }
};

TEST_F(WndProcTest, EraseBackgroundIsAnsweredWithoutTouchingAnything) {
  EXPECT_EQ(Send(WM_ERASEBKGND), 1);
  EXPECT_THAT(recording::Calls(), IsEmpty());
}

TEST_F(WndProcTest, CreateSetsUpDrawing) {
  EXPECT_EQ(Send(WM_CREATE), 0);
  EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"init"})));
}

TEST_F(WndProcTest, PaintDrawsOneFrameAndValidatesNothing) {
  Send(WM_CREATE);
  recording::Reset();
  EXPECT_EQ(Send(WM_PAINT), 0);
  // Only the frame's own calls: no begin or end of painting, no validation.
  EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"frame"})));
}

TEST_F(WndProcTest, DestroyReleasesDrawingThenPostsQuit) {
  Send(WM_CREATE);
  recording::Reset();
  EXPECT_EQ(Send(WM_DESTROY), 0);
  EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"shutdown", "quit"})));
}

TEST_F(WndProcTest, ReleasingAnyKeyPostsQuitWithoutDestroying) {
  for (const WPARAM key : {WPARAM{0x1B}, WPARAM{'A'}, WPARAM{0x20}, WPARAM{0x70}}) {
    recording::Reset();
    EXPECT_EQ(Send(WM_KEYUP, key, 0xC0010001), 0);
    EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"quit"}))) << "key " << key;
  }
}

TEST_F(WndProcTest, EverythingElseGoesToDefaultHandlingWithItsResult) {
  recording::TheScript().defWindowProcResult = 42;
  const UINT others[] = {WM_SYSKEYUP, WM_SYSKEYDOWN, WM_KEYDOWN, WM_CLOSE, WM_SYSCOMMAND, WM_QUIT, 0x0006};
  for (const UINT message : others) {
    recording::Reset();
    recording::TheScript().defWindowProcResult = 42;
    EXPECT_EQ(Send(message, 0x41, 0x20380001), 42);
    char expected[80];
    std::snprintf(expected, sizeof expected, "DefWindowProcA(window, 0x%X, 0x41, 0x20380001)", message);
    EXPECT_THAT(recording::Calls(), ElementsAre(expected));
  }
}

class WinMainTest : public ProgramTest {
 protected:
  static MSG Message(UINT message, WPARAM wParam = 0) {
    return MSG{recording::windowHandle, message, wParam, 0, 0, POINT{0, 0}};
  }
};

TEST_F(WinMainTest, RegistersCreatesShowsUpdatesAndRunsTheLoop) {
  recording::TheScript().messages = {Message(WM_PAINT), Message(WM_KEYUP, 0x1B), MSG{nullptr, WM_QUIT, 0, 0, 0, {}}};
  const UINT code = WinMain(recording::moduleHandle, nullptr, nullptr, SW_SHOWDEFAULT);
  EXPECT_EQ(code, 0u);

  std::vector<std::string> calls = recording::Calls();
  ASSERT_GE(calls.size(), 5u);
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
  expected.insert(expected.end(), {"GetMessageA(msg, null, 0, 0)", "TranslateMessage(0xF)", "DispatchMessageA(0xF)",
                                   "GetMessageA(msg, null, 0, 0)", "TranslateMessage(0x101)", "DispatchMessageA(0x101)",
                                   "GetMessageA(msg, null, 0, 0)"});
  EXPECT_THAT(calls, ElementsAreArray(expected));
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

TEST_F(WinMainTest, ReturnsTheLastMessagesWParam) {
  recording::TheScript().messages = {Message(WM_KEYUP), MSG{nullptr, WM_QUIT, 7, 0, 0, {}}};
  EXPECT_EQ(WinMain(recording::moduleHandle, nullptr, nullptr, SW_SHOWDEFAULT), 7u);
}

TEST_F(WinMainTest, ShowsMaximizedWhateverTheShowCommand) {
  WinMain(recording::moduleHandle, nullptr, nullptr, 0);
  EXPECT_THAT(recording::Calls(), testing::Contains("ShowWindow(window, 3)"));
}

TEST_F(WinMainTest, GivesUpWithOneWhenTheClassCannotBeRegistered) {
  recording::TheScript().classAtom = 0;
  EXPECT_EQ(WinMain(recording::moduleHandle, nullptr, nullptr, SW_SHOWDEFAULT), 1u);
  EXPECT_EQ(recording::Calls().back().rfind("RegisterClassExA(", 0), 0u);
}

TEST_F(WinMainTest, GivesUpWithOneWhenTheWindowCannotBeCreated) {
  recording::TheScript().createdWindow = nullptr;
  EXPECT_EQ(WinMain(recording::moduleHandle, nullptr, nullptr, SW_SHOWDEFAULT), 1u);
  EXPECT_EQ(recording::Calls().back().rfind("CreateWindowExA(", 0), 0u);
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
  EXPECT_EQ(calls[0], start[0]);
  EXPECT_EQ(calls[1], start[1]);
  EXPECT_EQ(calls[2], start[2]);
  EXPECT_EQ(calls.back(), GoldenCalls({"exit"}).back());
  EXPECT_EQ(hInstance, recording::moduleHandle);
}

}  // namespace
