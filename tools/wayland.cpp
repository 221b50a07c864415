#include "tools/wayland.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "tools/wait.h"

namespace tools {
namespace {

using namespace std::chrono_literals;

std::string MakeDirectory(const std::string& path, mode_t mode) {
  mkdir(path.c_str(), mode);
  chmod(path.c_str(), mode);
  return path;
}

void GiveTo(const std::string& user, const std::string& path) {
  const passwd* entry = getpwnam(user.c_str());
  if (entry == nullptr || chown(path.c_str(), entry->pw_uid, entry->pw_gid) != 0) {
    throw std::runtime_error("cannot give " + path + " to " + user);
  }
}

// Where the announcer writes the displays down: a folder the compositor's user may write in.
std::string Announced(const std::string& folder) { return folder + "/announced/environment"; }

std::string SwayConfig(const std::string& folder, int width, int height, const std::vector<std::string>& config) {
  const std::string path = MakeDirectory(folder, 0755) + "/sway.config";
  std::ofstream file(path);
  for (const std::string& line : config) {
    file << line << "\n";
  }
  file << "output HEADLESS-1 resolution " << width << "x" << height << " position 0 0\n"
       << "exec " << WaylandCompositor::Announcer(folder) << "\n";
  return path;
}

// A string of the node, or "" where it is null, as a view's title and app id may be.
std::string Text(const nlohmann::json& node, const char* key) {
  const auto found = node.find(key);
  return found != node.end() && found->is_string() ? found->get<std::string>() : "";
}

void Walk(const nlohmann::json& node, const std::function<void(const nlohmann::json&)>& visit) {
  visit(node);
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const nlohmann::json& child : node.value(children, nlohmann::json::array())) {
      Walk(child, visit);
    }
  }
}

}  // namespace

std::string WaylandCompositor::Announcer(const std::string& folder) {
  const std::string path = MakeDirectory(folder, 0755) + "/announce";
  const std::string announced = Announced(folder);
  std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$WAYLAND_DISPLAY\" \"$DISPLAY\" \"$XAUTHORITY\" \"$SWAYSOCK\" > "
                      << announced << ".new\nmv " << announced << ".new " << announced << "\nexec \"$@\"\n";
  chmod(path.c_str(), 0755);
  return path;
}

WaylandCompositor::WaylandCompositor(const std::string& user, const std::string& folder,
                                     const std::vector<std::string>& command,
                                     const std::vector<std::string>& environment)
    : runtime(folder + "/runtime") {
  Announcer(folder);
  const std::string home = MakeDirectory(folder + "/home", 0700);
  MakeDirectory(runtime, 0700);
  const std::string announced = Announced(folder);
  const std::string announcedFolder = MakeDirectory(announced.substr(0, announced.rfind('/')), 0755);
  unlink(announced.c_str());
  for (const std::string& path : {runtime, home, announcedFolder}) {
    GiveTo(user, path);
  }
  std::vector<std::string> run = {"runuser", "-u", user, "--", "env", "-i", "HOME=" + home, "PATH=/usr/bin:/bin",
                                  "XDG_RUNTIME_DIR=" + runtime};
  run.insert(run.end(), environment.begin(), environment.end());
  run.insert(run.end(), command.begin(), command.end());
  compositor_ = std::make_unique<Process>(run);
  const bool announcedInTime = WaitUntil(
      [&] {
        std::ifstream file(announced);
        return (std::getline(file, wayland) && std::getline(file, display) && std::getline(file, xauthority) &&
                std::getline(file, swaySocket)) ||
               !compositor_->Running();
      },
      120s, 50ms);
  if (!announcedInTime || !compositor_->Running()) {
    throw std::runtime_error(command.front() + " announced no display: " + compositor_->Stderr());
  }
}

WaylandCompositor::~WaylandCompositor() = default;

pid_t WaylandCompositor::Pid() const {
  if (compositor_ == nullptr) {
    return -1;
  }
  const std::string runuser = std::to_string(compositor_->Pid());
  std::ifstream children("/proc/" + runuser + "/task/" + runuser + "/children");
  pid_t child = -1;
  children >> child;
  return child;
}

std::vector<std::string> WaylandCompositor::Client(const std::vector<std::string>& command) const {
  std::vector<std::string> client = {"env", "XDG_RUNTIME_DIR=" + runtime, "WAYLAND_DISPLAY=" + wayland};
  client.insert(client.end(), command.begin(), command.end());
  return client;
}

Sway::Sway(const std::string& user, const std::string& folder, int width, int height,
           const std::vector<std::string>& config)
    : WaylandCompositor(user, folder, {"sway", "-c", SwayConfig(folder, width, height, config)},
                        {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"}),
      screenshot_(folder + "/screen.ppm") {
  // Without a keyboard the seat offers none to clients, and the one that each typed key's virtual keyboard
  // brings comes too late for that key's press.
  keyboard_ = std::make_unique<Process>(Client({"wtype", "-s", "4000000"}));
  const bool ready = WaitUntil(
      [&] {
        for (const nlohmann::json& input : nlohmann::json::parse(Ask("get_inputs", ""))) {
          if (input.value("type", "") == "keyboard") {
            return true;
          }
        }
        return false;
      },
      30s, 50ms);
  if (!ready) {
    throw std::runtime_error("sway shows no virtual keyboard");
  }
}

std::string Sway::Ask(const std::string& type, const std::string& payload) {
  std::vector<std::string> command = {"swaymsg", "-s", swaySocket, "-r", "-t", type};
  if (!payload.empty()) {
    command.push_back(payload);
  }
  Process message(command);
  if (message.WaitForExit(30s) != 0) {
    throw std::runtime_error("sway refused " + type + " " + payload + ": " + message.Stdout() + message.Stderr());
  }
  return message.Stdout();
}

void Sway::Command(const std::string& command) { Ask("command", command); }

std::vector<SwayView> Sway::Views() {
  std::vector<SwayView> views;
  Walk(nlohmann::json::parse(Ask("get_tree", "")), [&](const nlohmann::json& node) {
    if (!node.contains("shell")) {
      return;
    }
    const nlohmann::json& rect = node.at("rect");
    views.push_back({node.at("id").get<long>(), Text(node, "name"), Text(node, "app_id"), Text(node, "shell"),
                     node.value("focused", false),
                     Rectangle{rect.at("x").get<int>(), rect.at("y").get<int>(), rect.at("width").get<int>(),
                               rect.at("height").get<int>()}});
  });
  return views;
}

SwayView Sway::WaitForView(const std::string& title, const char* appId, std::chrono::milliseconds limit,
                           long besides) {
  SwayView found;
  WaitUntil(
      [&] {
        for (const SwayView& view : Views()) {
          if (view.name == title && view.shell == "xdg_shell" && (appId == nullptr || view.appId == appId) &&
              view.id != besides) {
            found = view;
            return true;
          }
        }
        return false;
      },
      limit, 100ms);
  return found;
}

SwayView Sway::Find(long id) {
  for (const SwayView& view : Views()) {
    if (view.id == id) {
      return view;
    }
  }
  return {};
}

bool Sway::WaitForFocus(long id, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return Find(id).focused; }, limit, 100ms);
}

std::vector<std::string> Sway::Outputs() {
  std::vector<std::string> names;
  for (const nlohmann::json& output : nlohmann::json::parse(Ask("get_outputs", ""))) {
    names.push_back(output.at("name").get<std::string>());
  }
  return names;
}

void Sway::TypeKey(const std::string& name) {
  if (Process(Client({"wtype", "-k", name})).WaitForExit(30s) != 0) {
    throw std::runtime_error("wtype cannot type " + name);
  }
}

void Sway::ClickAt(int x, int y) {
  Command("seat seat0 cursor set " + std::to_string(x) + " " + std::to_string(y));
  Command("seat seat0 cursor press button1");
  Command("seat seat0 cursor release button1");
}

Screenshot Sway::Capture() {
  Process(Client({"grim", "-t", "ppm", screenshot_})).WaitForExit(30s);
  return ReadPpm(screenshot_);
}

}  // namespace tools
