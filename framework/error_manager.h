// The error manager: every failure the framework detects becomes a message chosen by a numeric
// id. The id's entry in the message table gives a title, a text with placeholders and a level,
// and the level decides what happens: nothing, a Yes/No question, a notice, or a stop.
//
// One manager serves the whole program and every thread (the run lock lets one run at a
// time); the captured error state is that of its last caller. Owners call Init and Kill:
//
//   ErrorManager errors;
//   errors.Init();                               // the built-in table
//   errors.SetFile(name);
//   Level level = errors.Throw(23);              // captures ERRORCODE … and shows id 23
//   errors.Kill();
//
// Messages are shown through ui::messageBox(). A level-3 message halts the program after its
// box; tests replace the halt with setHaltHandler() and observe it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/level.h"

namespace veltrano::framework {

class Translator;

// One entry of `ERRORS`. The texts are views into a registered stored table.
struct ErrorEntry {
  MessageId ID = 0;
  std::string_view MESSAGE;
  std::string_view TITLE;
  Level FATALITY = kLevelNotify;
};

// How a fatal message ends the program: the exit code and the halt text (code page 1251).
// If the handler returns, the fatal dispatch returns level 3 to its caller.
using HaltHandler = std::function<void(int exit_code, std::string_view text)>;

class ErrorManager {
 public:
  // Texts that the manager adds around the table's texts.
  static constexpr std::string_view kFatalSuffix = "  Press OK to end this application";
  static constexpr std::size_t kFieldWidth = 255;        // FIELDNAME, FILENAME, MESSAGETEXT …
  static constexpr std::size_t kWorkBufferWidth = 2000;  // a filled template

  ErrorManager();
  virtual ~ErrorManager();
  ErrorManager(const ErrorManager&) = delete;
  ErrorManager& operator=(const ErrorManager&) = delete;

  // The extension points, in their fixed order.

  // Appends every entry of a stored table (see framework/error_table.h) to `ERRORS`; later
  // tables override earlier entries with the same id. A malformed table appends nothing and
  // returns false. REQUIRES: `table` outlives this manager's use of it (entries are views).
  virtual bool RegisterErrors(std::span<const std::uint8_t> table);
  virtual Level OnBenign();
  virtual Level OnFatal();
  virtual Level OnNotify();
  virtual Level OnOther();
  virtual Level OnProgram();
  virtual Level OnUser();

  // Creates `ERRORS` and registers the built-in table.
  void Init();
  // Frees `ERRORS`. The manager then finds no entry until the next Init.
  void Kill();

  // Makes the entry with this id current, searching from the last entry backwards. Returns
  // false, leaving no entry current, when the id is not in the table.
  bool SetId(MessageId id);
  // Copies the calling thread's ERRORCODE, ERROR, FILEERRORCODE and FILEERROR.
  void CaptureErrorState();
  void SetFile(std::string_view name);
  void SetField(std::string_view name);

  Level Throw(MessageId id);
  Level RaiseWithMessage(MessageId id, std::string_view text);
  Level HandleError(MessageId id);
  // Asks the entry's question with the given buttons (ui::kButton… values summed) and
  // returns the value of the button pressed.
  unsigned Message(MessageId id, unsigned buttons, unsigned default_button);
  // The current entry's text with its placeholders filled (code page 1251).
  std::string FillTemplate() const;

  // The current entry, or null when the last SetId found nothing.
  const ErrorEntry* current() const;
  // The current entry's title (empty when there is none).
  std::string_view currentTitle() const;

  HaltHandler setHaltHandler(HaltHandler handler);
  // Titles and templates are shown through `translator` (filled after translation); null, the
  // default, shows them as the table has them. REQUIRES: the translator outlives its use here.
  void setTranslator(const Translator* translator) { translator_ = translator; }

  // Fields, in their defined order.
  std::unique_ptr<std::vector<ErrorEntry>> ERRORS;
  std::string FIELDNAME;
  std::string FILENAME;
  std::string MESSAGETEXT;
  std::string SAVEERROR;
  std::int32_t SAVEERRORCODE = 0;
  std::string SAVEFILEERROR;
  std::string SAVEFILEERRORCODE;

 private:
  std::string fillEntry(std::size_t index) const;
  unsigned show(std::string text, std::uint16_t icon, unsigned buttons, unsigned default_button) const;

  // Index of the current entry in ERRORS; npos when none is current.
  std::size_t current_ = kNoEntry;
  static constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);
  std::string translated(std::string_view text) const;

  HaltHandler halt_;
  const Translator* translator_ = nullptr;
};

}  // namespace veltrano::framework
