#include <gtest/gtest.h>

#include "platform/core/message_queue.h"

namespace {

HWND const first = reinterpret_cast<HWND>(0x10);
HWND const second = reinterpret_cast<HWND>(0x20);

UINT NextMessage(core::MessageQueue& queue) {
  const std::optional<MSG> next = queue.Take();
  return next ? next->message : 0;
}

TEST(MessageQueueTest, PaintComesOnlyWhenNothingElseWaits) {
  core::MessageQueue queue;
  EXPECT_FALSE(queue.Take().has_value());
  queue.Invalidate(first);
  queue.Post(first, WM_KEYDOWN, 'A', 0, 0);
  queue.Post(first, WM_KEYUP, 'A', 0, 0);
  EXPECT_EQ(NextMessage(queue), WM_KEYDOWN);
  EXPECT_EQ(NextMessage(queue), WM_KEYUP);
  const std::optional<MSG> paint = queue.Take();
  ASSERT_TRUE(paint.has_value());
  EXPECT_EQ(paint->message, WM_PAINT);
  EXPECT_EQ(paint->hwnd, first);
  // Nothing validates, so paint requests keep coming.
  EXPECT_EQ(NextMessage(queue), WM_PAINT);
  queue.Post(first, WM_CLOSE, 0, 0, 0);
  EXPECT_EQ(NextMessage(queue), WM_CLOSE);
  EXPECT_EQ(NextMessage(queue), WM_PAINT);
}

TEST(MessageQueueTest, QuitComesAfterEarlierPostedMessagesAndBeforePaint) {
  core::MessageQueue queue;
  queue.Invalidate(first);
  queue.Post(first, WM_KEYUP, 'A', 0, 0);
  queue.PostQuit(3);
  EXPECT_EQ(NextMessage(queue), WM_KEYUP);
  const std::optional<MSG> quit = queue.Take();
  ASSERT_TRUE(quit.has_value());
  EXPECT_EQ(quit->message, WM_QUIT);
  EXPECT_EQ(quit->wParam, 3u);
  EXPECT_EQ(quit->hwnd, nullptr);
  // The quit request is handed out once.
  EXPECT_EQ(NextMessage(queue), WM_PAINT);
}

TEST(MessageQueueTest, ForgettingAWindowDropsItsPaintAndItsMessages) {
  core::MessageQueue queue;
  queue.Invalidate(first);
  queue.Invalidate(second);
  queue.Invalidate(first);
  queue.Post(first, WM_KEYUP, 0, 0, 0);
  queue.Post(second, WM_KEYDOWN, 0, 0, 0);
  queue.Forget(first);
  EXPECT_FALSE(queue.HasUpdateRegion(first));
  EXPECT_TRUE(queue.HasUpdateRegion(second));
  EXPECT_EQ(NextMessage(queue), WM_KEYDOWN);
  const std::optional<MSG> paint = queue.Take();
  ASSERT_TRUE(paint.has_value());
  EXPECT_EQ(paint->hwnd, second);
}

}  // namespace
