#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/x11/x_errors.h"
#include "tests/support/program_on_server.h"
#include "tools/process.h"

namespace {

class ConnectionTest : public testsupport::ProgramOnServer {
 protected:
  void SetUp() override {
    ProgramOnServer::SetUp();
    OpenLayer();
  }

  // A request the server refuses with BadWindow: focus on a window that does not exist.
  void FailOneRequest() { XSetInputFocus(LayerDisplay(), 0x7FFFFF, RevertToParent, CurrentTime); }
};

using ConnectionDeathTest = ConnectionTest;

TEST_F(ConnectionDeathTest, AnXErrorNotExpectedEndsTheProgramWithOneLineAndCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto failWith = [this](std::initializer_list<unsigned char> expected) {
    const x11::ExpectedErrors others(LayerDisplay(), expected);
    FailOneRequest();
    SyncLayer();
  };
  for (const auto& expected : {std::initializer_list<unsigned char>{}, {BadMatch, BadAccess}}) {
    EXPECT_EXIT(failWith(expected), testing::ExitedWithCode(1),
                "^x11_layer_test: X error BadWindow \\(invalid Window parameter\\) in X_SetInputFocus\n$");
  }
}

TEST_F(ConnectionTest, ExpectedErrorsAreNotedByTheInnermostExpectationEvenWhenReportedAfterItEnds) {
  x11::ExpectedErrors outer(LayerDisplay(), {BadWindow});
  {
    x11::ExpectedErrors inner(LayerDisplay(), {BadWindow});
    EXPECT_FALSE(inner.Caught());
    FailOneRequest();
    EXPECT_TRUE(inner.Caught());
  }
  EXPECT_FALSE(outer.Caught()) << "the inner expectation took the error";
  {
    // Ended before the server has answered: the error still finds it by its request's serial.
    const x11::ExpectedErrors late(LayerDisplay(), {BadWindow});
    FailOneRequest();
  }
  SyncLayer();
  EXPECT_FALSE(outer.Caught());
}

// A display that accepts connections and never answers, as a hung server does:
// the kernel completes the connection into the listen queue; nobody reads it.
class SilentDisplay {
 public:
  SilentDisplay() : socket_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    mkdir("/tmp/.X11-unix", 01777);
    for (int number = 7000 + getpid() % 1000; number < 9000; ++number) {
      sockaddr_un address = {};
      address.sun_family = AF_UNIX;
      path_ = "/tmp/.X11-unix/X" + std::to_string(number);
      path_.copy(address.sun_path, sizeof address.sun_path - 1);
      if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        name_ = ":" + std::to_string(number);
        break;
      }
    }
    listen(socket_, 8);
  }
  ~SilentDisplay() {
    close(socket_);
    unlink(path_.c_str());
  }
  const std::string& Name() const { return name_; }

 private:
  int socket_;
  std::string path_;
  std::string name_;
};

TEST_F(ConnectionTest, ConnectingThatNeverEndsGivesUpWithOneLineAndCodeOne) {
  const SilentDisplay silent;
  const std::string server = std::getenv("DISPLAY");
  const struct {
    std::string display;
    std::string authority;  // an environment assignment, for env
  } cases[] = {{silent.Name(), "XAUTHORITY="}, {server, "XAUTHORITY=/dev/zero"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.authority);
    tools::Process program({"env", "DISPLAY=" + c.display, c.authority, PROGRAM});
    EXPECT_EQ(program.WaitForExit(std::chrono::seconds(60)), 1);
    EXPECT_EQ(program.Stderr(), "overdraw: cannot open X display \"" + c.display + "\": no answer within 10 s\n");
  }
}

}  // namespace
