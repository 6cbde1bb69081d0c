#include "tests/gui/gui_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

extern char** environ;

namespace veltrano::gui {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// xdotool types by mapping each letter to a spare key code for the moment of the key press;
// the program must have read a key before the mapping changes again.
constexpr auto kKeySettle = 150ms;

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(line);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!line.empty() && line.back() == separator) parts.emplace_back();
  return parts;
}

std::string trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The letters of a UTF-8 text: its bytes that do not continue a letter.
std::size_t letters(const std::string& utf8) {
  return static_cast<std::size_t>(std::count_if(
      utf8.begin(), utf8.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
}

bool onPath(const std::string& tool) {
  const char* path = std::getenv("PATH");
  for (const std::string& directory : split(path != nullptr ? path : "", ':')) {
    if (!directory.empty() && ::access((directory + "/" + tool).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Starts `arguments` with `extra` added to the environment, its standard input and output on
// the given descriptors (-1: inherited) and `display_pipe` as its descriptor 3 (-1: none).
pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& extra, int input,
            int output, int display_pipe = -1) {
  std::vector<std::string> environment = extra;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string setting = *entry;
    const std::string name = setting.substr(0, setting.find('='));
    bool replaced = false;
    for (const std::string& own : extra) replaced = replaced || own.rfind(name + "=", 0) == 0;
    if (!replaced) environment.push_back(setting);
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& setting : environment) envp.push_back(const_cast<char*>(setting.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
  if (output >= 0) posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  // What the helpers say on their error output is no business of the test's.
  if (output >= 0 && input < 0) posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
  if (display_pipe >= 0) posix_spawn_file_actions_adddup2(&actions, display_pipe, 3);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Reads one line from `fd` within `limit`; nothing when none came.
std::optional<std::string> readLine(int fd, std::string& pending, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (const std::size_t end = pending.find('\n'); end != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd wanted{fd, POLLIN, 0};
    if (::poll(&wanted, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) return std::nullopt;
    pending.append(buffer, static_cast<std::size_t>(got));
  }
}

void stop(pid_t& pid, int signal_number) {
  if (pid <= 0) return;
  ::kill(pid, signal_number);
  for (int tries = 0; tries < 300; ++tries) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = -1;
      return;
    }
    std::this_thread::sleep_for(10ms);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  pid = -1;
}

}  // namespace

const ShownControl* ShownWindow::control(int control_id) const {
  for (const ShownControl& shown : controls) {
    if (shown.id == control_id) return &shown;
  }
  return nullptr;
}

std::vector<std::string> ShownWindow::column(int list, std::size_t index) const {
  std::vector<std::string> cells;
  if (const ShownControl* shown = control(list)) {
    for (const auto& row : shown->rows) cells.push_back(index < row.size() ? row[index] : std::string());
  }
  return cells;
}

std::unique_ptr<GuiSession> GuiSession::Start(std::string* reason) {
  return Start(Options{}, reason);
}

std::unique_ptr<GuiSession> GuiSession::Start(const Options& options, std::string* reason) {
  for (const char* tool : {"Xvfb", "openbox", "xdotool"}) {
    if (!onPath(tool)) {
      *reason = std::string(tool) + " is not installed (scripts/common.sh installs it)";
      return nullptr;
    }
  }
  // A program that ended must not end the test with it when the test writes to it.
  ::signal(SIGPIPE, SIG_IGN);
  std::unique_ptr<GuiSession> session(new GuiSession);
  if (!session->launch(options, reason)) return nullptr;
  return session;
}

bool GuiSession::launch(const Options& options, std::string* reason) {
  const std::string stamp = std::to_string(::getpid()) + "-" +
                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  runtime_directory_ = (fs::temp_directory_path() / ("veltrano-gui-run-" + stamp)).string();
  fs::create_directories(runtime_directory_);
  fs::permissions(runtime_directory_, fs::perms::owner_all);
  own_data_ = options.data_directory.empty();
  data_directory_ = own_data_ ? (fs::temp_directory_path() / ("veltrano-gui-data-" + stamp)).string()
                              : options.data_directory;

  // Xvfb chooses a free display and says which on descriptor 3.
  int display_pipe[2];
  if (::pipe(display_pipe) != 0) return *reason = "no pipe", false;
  const int quiet = ::open("/dev/null", O_WRONLY);
  display_ = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x900x24", "-nolisten", "tcp"}, {}, -1,
                   quiet, display_pipe[1]);
  ::close(display_pipe[1]);
  std::string pending;
  const std::optional<std::string> number = readLine(display_pipe[0], pending, 10s);
  ::close(display_pipe[0]);
  if (display_ <= 0 || !number || number->empty()) return *reason = "Xvfb did not start", false;
  display_name_ = ":" + *number;
  const std::vector<std::string> display{"DISPLAY=" + display_name_, "XDG_RUNTIME_DIR=" + runtime_directory_};
  window_manager_ = spawn({"openbox"}, display, -1, quiet);
  std::this_thread::sleep_for(500ms);

  int input[2];
  int output[2];
  if (::pipe(input) != 0 || ::pipe(output) != 0) return *reason = "no pipe", false;
  std::vector<std::string> program{VELTRANO_BINARY, "--data", data_directory_};
  program.insert(program.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> environment = display;
  environment.push_back("VELTRANO_INSPECT=1");
  environment.push_back("QT_QPA_PLATFORM=xcb");
  // A sanitized build checks the program for leaks at its exit; the desktop's own libraries
  // (D-Bus, fontconfig, the X client) keep allocations for the process's life by design.
  environment.push_back("LSAN_OPTIONS=suppressions=" VELTRANO_LSAN_SUPPRESSIONS ":print_suppressions=0");
  program_ = spawn(program, environment, input[0], output[1]);
  ::close(input[0]);
  ::close(output[1]);
  ::close(quiet);
  to_program_ = input[1];
  from_program_ = output[0];
  if (program_ <= 0) return *reason = "the program did not start", false;
  pending_.clear();
  return true;
}

GuiSession::~GuiSession() {
  if (to_program_ >= 0) ::close(to_program_);
  if (program_ > 0 && waitForExit(3s) < 0) stop(program_, SIGTERM);
  if (from_program_ >= 0) ::close(from_program_);
  stop(window_manager_, SIGTERM);
  stop(display_, SIGTERM);
  std::error_code ignored;
  fs::remove_all(runtime_directory_, ignored);
  if (own_data_) fs::remove_all(data_directory_, ignored);
}

void GuiSession::run(std::vector<std::string> arguments) {
  const int quiet = ::open("/dev/null", O_WRONLY);
  pid_t pid = spawn(arguments, {"DISPLAY=" + display_name_}, -1, quiet);
  ::close(quiet);
  if (pid > 0) ::waitpid(pid, nullptr, 0);
}

void GuiSession::keys(std::initializer_list<std::string> names) {
  for (const std::string& name : names) {
    run({"xdotool", "key", "--clearmodifiers", name});
    std::this_thread::sleep_for(kKeySettle);
    settle();
  }
}

std::optional<ShownWindow> GuiSession::choose(const std::string& menu_key,
                                              std::initializer_list<std::string> item_keys,
                                              const std::string& window, const std::string& menu_screenshot) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!openMenu(menu_key)) continue;
    if (!menu_screenshot.empty()) screenshot(menu_screenshot);
    for (const std::string& key : item_keys) keys({key});
    if (std::optional<ShownWindow> shown = waitForWindow(window)) return shown;
    reportRetry("\"" + window + "\" did not open from the menu");
    keys({"Escape", "Escape"});
  }
  return std::nullopt;
}

std::optional<ShownWindow> GuiSession::pressFor(const std::string& key, const std::string& window,
                                                std::chrono::milliseconds limit) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    keys({key});
    if (std::optional<ShownWindow> shown = waitForWindow(window, limit)) return shown;
    reportRetry(key + " did not open \"" + window + "\"");
  }
  return std::nullopt;
}

bool GuiSession::openMenu(const std::string& menu_key) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    settle();
    keys({menu_key});
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (std::chrono::steady_clock::now() < deadline) {
      if (!ask("popup").empty()) return true;
      std::this_thread::sleep_for(50ms);
    }
    // No menu is open to be closed: an Escape now would go to the active window instead.
    reportRetry(menu_key + " opened no menu");
  }
  return false;
}

int GuiSession::exitThroughMenu() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!openMenu("alt+Cyrillic_ef")) continue;
    keys({"Cyrillic_ve"});
    if (const int code = waitForExit(10s); code >= 0) return code;
    reportRetry("the program did not end from the menu");
    keys({"Escape", "Escape"});
  }
  return -1;
}

std::optional<std::string> GuiSession::focusedEntryValue() {
  const std::vector<ShownWindow> shown = windows();
  for (auto window = shown.rbegin(); window != shown.rend(); ++window) {
    if (window->kind == "frame") continue;
    const ShownControl* focused = window->control(window->focus);
    if (focused == nullptr || focused->kind != "entry") return std::nullopt;
    return focused->value;
  }
  return std::nullopt;
}

void GuiSession::type(const std::string& utf8) {
  // A letter that reaches the program after xdotool has mapped its key code to the next letter
  // is lost (a loaded machine makes it likelier): when the entry with the focus does not show
  // the text added, what was typed is taken back and typed again.
  const std::optional<std::string> before = focusedEntryValue();
  for (int attempt = 0; attempt < 3; ++attempt) {
    run({"xdotool", "type", "--delay", "120", utf8});
    std::this_thread::sleep_for(kKeySettle);
    settle();
    const std::optional<std::string> after = focusedEntryValue();
    if (!before || !after || trimmed(*after) == trimmed(*before + utf8)) return;
    const std::size_t typed = letters(*after) - std::min(letters(*after), letters(*before));
    if (typed > 0) run({"xdotool", "key", "--repeat", std::to_string(typed), "--delay", "60", "BackSpace"});
    settle();
  }
}

void GuiSession::reportRetry(const std::string& what) {
  // A retry that passes hides a slow or lost key, one that fails the reason: both go to the
  // test's output with what the program showed, since the screen itself is gone afterwards.
  std::cerr << "gui session: " << what << "; trying again. Shown:";
  const std::vector<ShownWindow> shown = windows();
  if (shown.empty()) std::cerr << " nothing (the inspector does not answer)";
  for (const ShownWindow& window : shown)
    std::cerr << " [" << window.kind << " " << window.label << " \"" << window.caption << "\" focus "
              << window.focus << (window.idle ? " idle" : " busy") << "]";
  std::cerr << std::endl;
  screenshot("retry-" + std::to_string(++retries_));
}

std::string GuiSession::ask(const std::string& command) {
  if (program_ <= 0) return {};
  const std::string line = command + "\n";
  if (::write(to_program_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return {};
  std::string answer;
  for (;;) {
    const std::optional<std::string> got = readLine(from_program_, pending_, 10s);
    if (!got || *got == ".") return answer;
    answer += *got + "\n";
  }
}

std::vector<ShownWindow> GuiSession::windows() {
  std::vector<ShownWindow> shown;
  std::istringstream answer(ask("windows"));
  std::string line;
  while (std::getline(answer, line)) {
    const std::vector<std::string> fields = split(line, '\t');
    const std::vector<std::string> head = split(fields[0], ' ');
    if (head[0] == "window" && head.size() >= 5 && fields.size() >= 3) {
      ShownWindow window;
      window.id = static_cast<unsigned>(std::stoul(head[1]));
      window.kind = head[2];
      window.idle = head[3] == "1";
      window.label = head[4];
      window.caption = fields[1];
      window.focus = std::stoi(fields[2]);
      shown.push_back(window);
    } else if (head[0] == "control" && head.size() >= 4 && fields.size() >= 3 && !shown.empty()) {
      shown.back().controls.push_back(
          ShownControl{std::stoi(head[1]), head[2], head[3] == "1", fields[1], fields[2], {}});
    } else if (head[0] == "row" && !shown.empty() && !shown.back().controls.empty()) {
      std::vector<std::string> cells;
      for (std::size_t cell = 1; cell < fields.size(); ++cell) cells.push_back(trimmed(fields[cell]));
      shown.back().controls.back().rows.push_back(cells);
    }
  }
  return shown;
}

std::optional<ShownWindow> GuiSession::waitForWindow(const std::string& label_or_caption,
                                                     std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    for (const ShownWindow& window : windows()) {
      if ((window.label == label_or_caption || window.caption == label_or_caption) && window.idle)
        return window;
    }
    std::this_thread::sleep_for(50ms);
  }
  return std::nullopt;
}

bool GuiSession::focusOn(const std::string& label_or_caption, int control) {
  for (int tries = 0; tries < 60; ++tries) {
    const std::optional<ShownWindow> shown = waitForWindow(label_or_caption);
    if (!shown) return false;
    if (shown->focus == control) return true;
    keys({"Tab"});
  }
  return false;
}

bool GuiSession::waitUntilClosed(const std::string& label_or_caption, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    bool open = false;
    for (const ShownWindow& window : windows())
      open = open || window.label == label_or_caption || window.caption == label_or_caption;
    if (!open) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

void GuiSession::settle() {
  for (int tries = 0; tries < 200; ++tries) {
    bool busy = false;
    for (const ShownWindow& window : windows()) busy = busy || !window.idle;
    if (!busy) return;
    std::this_thread::sleep_for(25ms);
  }
}

std::string GuiSession::screenshot(const std::string& name) {
  const char* build = std::getenv("VELTRANO_BUILD_DIR");
  const fs::path directory = fs::path(build != nullptr ? build : ".") / "screenshots" / "gui";
  fs::create_directories(directory);
  const std::string path = (directory / (name + ".png")).string();
  // The window manager and the toolkit draw after the procedure is done.
  std::this_thread::sleep_for(200ms);
  return ask("screenshot " + path) == "saved\n" ? path : std::string();
}

int GuiSession::waitForExit(std::chrono::milliseconds limit) {
  if (program_ <= 0) return exit_code_;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(program_, &status, WNOHANG) == program_) {
      program_ = -1;
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exit_code_;
    }
    std::this_thread::sleep_for(20ms);
  }
  return -1;
}

}  // namespace veltrano::gui
