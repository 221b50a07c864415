// The Linux programs: the session of the display server they show on is
// built first, then the program starts as on Windows.
#include "platform/core/session.h"
#include "platform/x11/session.h"
#include "shell/shell.h"

int main() {
  core::Session session(std::make_unique<x11::Session>());
  Start();
}
