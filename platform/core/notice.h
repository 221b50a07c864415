// The notice box as every backend shows it: a line of text above an OK
// button, the keys that dismiss it, and where each part lies.
#pragma once

#include <algorithm>
#include <cstdint>

#include <xkbcommon/xkbcommon-keysyms.h>

namespace core {

constexpr const char* noticeButtonLabel = "OK";

// Return, Space and Escape dismiss it as they go down, as they do a dialog on Windows.
constexpr bool DismissesNotice(std::uint32_t keysym) {
  return keysym == XKB_KEY_Return || keysym == XKB_KEY_KP_Enter || keysym == XKB_KEY_space ||
         keysym == XKB_KEY_Escape;
}

// In pixels from the box's top-left corner: the text's top-left corner, and the button.
struct NoticeLayout {
  int width;
  int height;
  int textX;
  int textY;
  int buttonX;
  int buttonY;
  int buttonWidth;
  int buttonHeight;

  bool OnButton(double x, double y) const {
    return x >= buttonX && y >= buttonY && x < buttonX + buttonWidth && y < buttonY + buttonHeight;
  }
};

// The box around a line of text of that width and height, the button centred below it.
constexpr NoticeLayout LayOutNotice(int textWidth, int lineHeight) {
  constexpr int margin = 16;
  constexpr int buttonWidth = 72;
  constexpr int buttonHeight = 24;
  const int width = std::max(textWidth, 2 * buttonWidth) + 2 * margin;
  const int height = margin + lineHeight + margin + buttonHeight + margin;
  return NoticeLayout{width,
                      height,
                      margin,
                      margin,
                      (width - buttonWidth) / 2,
                      height - margin - buttonHeight,
                      buttonWidth,
                      buttonHeight};
}

}  // namespace core
