// What a scenario test driving the real program from outside (tests/gui) needs to read: what
// the engine shows and a picture of the screen. The program makes one when it is started with
// VELTRANO_INSPECT=1 in its environment; it then reads commands from its standard input, one
// a line, and answers each on its standard output in UTF-8, ending the answer with a line
// holding only ".":
//
//   windows           every open window, in the order opened:
//                       window <id> <kind> <idle> <label>\t<caption>\t<focused control>
//                     (idle 1: its procedure waits for its next event with nothing queued)
//                     then each of its menu items and controls:
//                       item <id> <enabled>\t<text>
//                       control <id> <kind> <enabled>\t<text>\t<value>
//                     and a list's rows, each after its list:
//                       row\t<cell>\t<cell>…
//   popup             the title of the menu open on the screen, empty when none is: menus
//                     draw outside the engine, so a test waits on this before it picks an item
//   screenshot PATH   the whole screen as a PNG file: "saved" or "failed"
//
// Nothing of this runs unless asked for; it only reads the engine's state.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include "ui/memory_engine.h"

namespace veltrano::ui::qt {

class QtInspector : public QObject {
 public:
  // REQUIRES: on the Qt thread; `engine` outlives the inspector.
  explicit QtInspector(MemoryEngine& engine);
  ~QtInspector() override;

  // Whether the environment asks for an inspector.
  static bool wanted();

 private:
  void readCommands();
  std::string answer(const std::string& command);

  MemoryEngine& engine_;
  std::unique_ptr<QSocketNotifier> input_;
  std::string pending_;
};

}  // namespace veltrano::ui::qt
