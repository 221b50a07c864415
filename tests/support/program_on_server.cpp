#include "tests/support/program_on_server.h"

#include "tools/desktop.h"

namespace testsupport {

std::string ProgramPath(const std::string& name) { return std::string(PROGRAM_DIR) + "/" + name; }

void ProgramOnServer::SetUp() {
  StartServer();
  display_ = XOpenDisplay(nullptr);
  ASSERT_NE(display_, nullptr);
}

void ProgramOnServer::TearDown() {
  program_.reset();
  session_.reset();
  if (display_ != nullptr) {
    XCloseDisplay(display_);
  }
  server_.reset();
}

void ProgramOnServer::StartServer() {
  server_ = std::make_unique<tools::XvfbServer>(screen_.width, screen_.height, screen_.depth, screen_.options);
}

tools::Process& ProgramOnServer::Launch(const std::vector<std::string>& command) {
  program_.reset();
  program_ = std::make_unique<tools::Process>(command);
  return *program_;
}

void ProgramOnServer::OpenLayer() {
  auto layer = std::make_unique<x11::Session>();
  layer_ = layer.get();
  session_ = std::make_unique<core::Session>(std::move(layer));
}

Window ProgramOnServer::StartAnimation(const std::vector<std::string>& command, std::chrono::milliseconds limit) {
  Launch(command);
  return tools::DismissNotice(display_, limit);
}

}  // namespace testsupport
