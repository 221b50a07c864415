// Both programs, built with a pause that returns at once, through 100,000
// frames: memory and the X server's resources for the program stay flat,
// and no X error ends or troubles it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/keysym.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "tests/support/program_on_server.h"
#include "tools/desktop.h"
#include "tools/wait.h"

namespace {

using namespace std::chrono_literals;

constexpr unsigned long frameTarget = 100000;

unsigned long FramesDrawn(const tools::Process& program) {
  const std::string out = program.Stdout();
  const auto last = out.rfind("frames ");
  return last == std::string::npos ? 0 : std::stoul(out.substr(last + 7));
}

// The number of X resources the server holds for the client that owns the window.
long ServerResources(Display* display, Window window) {
  int clientCount = 0;
  XResClient* clients = nullptr;
  XResQueryClients(display, &clientCount, &clients);
  long total = -1;
  for (int i = 0; i < clientCount; ++i) {
    if ((window & ~clients[i].resource_mask) == clients[i].resource_base) {
      int typeCount = 0;
      XResType* types = nullptr;
      XResQueryClientResources(display, clients[i].resource_base, &typeCount, &types);
      total = 0;
      for (int t = 0; t < typeCount; ++t) {
        total += types[t].count;
      }
      XFree(types);
    }
  }
  XFree(clients);
  return total;
}

class SoakTest : public testsupport::ProgramOnServer, public testing::WithParamInterface<const char*> {};

TEST_P(SoakTest, HundredThousandFramesLeaveMemoryAndServerResourcesFlat) {
  const Window window = StartAnimation({std::string(SOAK_DIR) + "/soak_" + GetParam()});
  ASSERT_NE(window, None);
  tools::Process& program = *program_;

  // Samples after the first 10,000 frames, once everything has been set up, and at the end.
  std::map<unsigned long, std::pair<long, long>> samples;
  unsigned long sampled = 0;
  tools::WaitUntil(
      [&] {
        const unsigned long frames = FramesDrawn(program);
        if (frames >= 10000 && frames != sampled) {
          samples[frames] = {tools::ProcessStatusKiB(program.Pid(), "VmRSS"), ServerResources(display_, window)};
          sampled = frames;
        }
        return sampled >= frameTarget || !program.Running();
      },
      600s, 100ms);
  ASSERT_GE(sampled, frameTarget) << "the program drew only " << sampled << " frames; stderr: " << program.Stderr();

  tools::TypeKey(display_, XK_Escape);
  EXPECT_EQ(program.WaitForExit(10s), 0);
  EXPECT_EQ(program.Stderr(), "") << "X errors are reported on stderr";

  const auto& first = samples.begin()->second;
  const auto& last = samples.rbegin()->second;
  std::ostringstream trail;
  long fewestResources = first.second;
  long mostResources = first.second;
  for (const auto& [frames, sample] : samples) {
    trail << frames << ": " << sample.first << " KiB, " << sample.second << " resources\n";
    fewestResources = std::min(fewestResources, sample.second);
    mostResources = std::max(mostResources, sample.second);
  }
  EXPECT_LE(last.first - first.first, 1024) << trail.str();
  EXPECT_GT(fewestResources, 0) << trail.str();
  // Every frame draws with the same GCs and pictures, made when the screen is first drawn on.
  EXPECT_EQ(mostResources, fewestResources) << trail.str();
  std::printf("%s", trail.str().c_str());
}

INSTANTIATE_TEST_SUITE_P(Programs, SoakTest, testing::Values("overdraw", "cleardraw"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
