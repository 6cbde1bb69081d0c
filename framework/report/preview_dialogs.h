// The preview's two small dialogs, "Jump to a Report Page" and "Change the Report Display":
// a modal window of number boxes with a button that takes them and one that cancels. Each
// runs on the preview's thread, as a procedure called from another does.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "framework/window/window_controller.h"

namespace veltrano::framework {

class NumberDialog : public WindowController {
 public:
  struct Number {
    std::string prompt;  // the framework's English text; the translator shows it in Russian
    std::string tip;
    int low = 1;
    int high = 1;
    int value = 1;
  };

  // "Jump to a Report Page": one page of `pages`, starting at `current`.
  static NumberDialog jump(int pages, int current);
  // "Change the Report Display": how many pages across and down the tiles show.
  static NumberDialog display(int across, int down);

  // Runs the dialog; the numbers as the user left them, or nothing when cancelled.
  std::optional<std::vector<int>> Choose(const Translator* translator);

  Level OnAccepted(const ui::Event& event) override;

 private:
  NumberDialog(std::string name, std::string caption, std::string group, std::vector<Number> numbers,
               std::string take, std::string take_tip);

  std::string name_;  // "veltrano$PREVIEWJUMP", "veltrano$PREVIEWDISPLAY"
  std::string caption_;
  std::string group_;
  std::vector<Number> numbers_;
  std::string take_;
  std::string take_tip_;
  std::optional<std::vector<int>> chosen_;
};

}  // namespace veltrano::framework
