// The scenario harness: the real program on a virtual X display, driven by the keyboard as a
// clerk drives it. Each session has a display of its own (Xvfb, with openbox managing the
// windows so that a new window gets the keyboard as on a desktop), a fresh data directory, and
// the program started with its inspector (ui/qt/qt_inspector.h), through which the test reads
// what the engine shows and takes pictures of the screen.
//
//   std::string reason;
//   auto session = GuiSession::Start(&reason);              // nullptr (and why) without the tools
//   session->waitForWindow("Main");                          // by label or caption, idle
//   session->keys({"alt+Cyrillic_es", "Cyrillic_sha"});      // "&Справочники" → "&Штатное расписание"
//   session->type("Стационар");
//   const ShownWindow shtat = *session->waitForWindow("Shtat");
//   EXPECT_EQ(shtat.control(3)->rows[0][0], "Стационар");
//   session->screenshot("staff-schedule");                   // build/screenshots/gui/staff-schedule.png
//
// Keys are named as xdotool names them ("Return", "Tab", "shift+Tab", "alt+Cyrillic_de");
// texts are UTF-8. Every action waits until the program has dealt with it before it returns.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltrano::gui {

struct ShownControl {
  int id = 0;
  std::string kind;  // "entry", "list", "button" …
  bool enabled = true;
  std::string text;
  std::string value;
  std::vector<std::vector<std::string>> rows;  // a list's rows, cells without trailing blanks
};

struct ShownWindow {
  unsigned id = 0;
  std::string kind;  // "frame", "child", "dialog"
  bool idle = false;
  std::string label;
  std::string caption;
  int focus = 0;
  std::vector<ShownControl> controls;

  const ShownControl* control(int control_id) const;
  // The first column of a list's rows.
  std::vector<std::string> column(int list, std::size_t index = 0) const;
};

class GuiSession {
 public:
  struct Options {
    std::string data_directory;          // empty: a fresh temporary one, removed at the end
    std::vector<std::string> arguments;  // more arguments for the program
  };

  static std::unique_ptr<GuiSession> Start(std::string* reason);
  static std::unique_ptr<GuiSession> Start(const Options& options, std::string* reason);
  ~GuiSession();
  GuiSession(const GuiSession&) = delete;
  GuiSession& operator=(const GuiSession&) = delete;

  void keys(std::initializer_list<std::string> names);
  void type(const std::string& utf8);

  // Opens a menu with `menu_key`, waits until it is on the screen, then presses `item_keys`, and
  // waits for `window`. A letter xdotool has to map first can be lost on a loaded machine: then
  // the menu is closed and chosen again, up to three times. A `menu_screenshot` name saves the
  // open menu.
  std::optional<ShownWindow> choose(const std::string& menu_key, std::initializer_list<std::string> item_keys,
                                    const std::string& window, const std::string& menu_screenshot = {});

  // Presses `key` until `window` opens, up to three times: a key whose letter xdotool has to
  // map first can be lost on a loaded machine. Only for keys whose window opens within seconds.
  std::optional<ShownWindow> pressFor(const std::string& key, const std::string& window,
                                      std::chrono::milliseconds limit = std::chrono::seconds(8));
  // Leaves the program through "&Файл" → "&Выход", choosing again when it has not ended; its
  // exit code, -1 when it did not end.
  int exitThroughMenu();

  std::vector<ShownWindow> windows();
  // The window with this label or caption once its procedure waits for the clerk.
  std::optional<ShownWindow> waitForWindow(const std::string& label_or_caption,
                                           std::chrono::milliseconds limit = std::chrono::seconds(20));
  bool waitUntilClosed(const std::string& label_or_caption,
                       std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Waits until every window's procedure is idle.
  void settle();
  // Tabs through the window until `control` has the focus; false when it never gets it.
  bool focusOn(const std::string& label_or_caption, int control);

  // The whole screen as build/screenshots/gui/NAME.png; its path, empty when it failed.
  std::string screenshot(const std::string& name);
  // Waits for the program to end; its exit code, -1 when it did not end within the limit.
  int waitForExit(std::chrono::milliseconds limit = std::chrono::seconds(20));

  const std::string& dataDirectory() const { return data_directory_; }

 private:
  GuiSession() = default;
  bool launch(const Options& options, std::string* reason);
  std::string ask(const std::string& command);
  // Presses `menu_key` until the menu is open on the screen, up to three times.
  bool openMenu(const std::string& menu_key);
  // Says on the test's output why an action is tried again, with the windows shown, and
  // keeps a screenshot (retry-N).
  void reportRetry(const std::string& what);
  // The value of the entry that has the focus in the window opened last, if an entry has it.
  std::optional<std::string> focusedEntryValue();
  void run(std::vector<std::string> arguments);

  pid_t display_ = -1;
  pid_t window_manager_ = -1;
  pid_t program_ = -1;
  int to_program_ = -1;
  int from_program_ = -1;
  int exit_code_ = -1;
  int retries_ = 0;
  std::string display_name_;
  std::string data_directory_;
  std::string runtime_directory_;
  bool own_data_ = false;
  std::string pending_;  // what the program wrote after the last whole answer
};

}  // namespace veltrano::gui
