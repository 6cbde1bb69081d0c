#include "app/history/history_window.h"

#include "framework/driver_calls.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "ui/window_engine.h"

namespace veltrano::app::history {
namespace {

using storage::Operation;

enum : ui::ControlId { kList = 1, kCount, kClose };

constexpr int kFileNotFound = 2;
// Read only, sharing everything: the list only reads what stations write.
constexpr std::uint32_t kReadSharingAll = 0x40;

constexpr char kListFormat[] =
    "44L(2)|M~Дата~C(0)@s10@36L(2)|M~Время~C(0)@s8@52L(2)|M~Действие~C(0)@s10@36L(2)|M~Файл~C(0)@s8@"
    "60L(2)|M~Поле~C(0)@s20@94L(2)|M~Было~C(0)@s60@94L(2)|M~Стало~C(0)@s60@"
    "50L(2)|M~Станция~C(0)@s40@50L(2)|M~Пользователь~C(0)@s40@";

std::string twoDigits(int value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

std::string dateText(std::int32_t serial) {
  runtime::DateParts parts;
  if (runtime::partsFromSerial(serial, parts) != 0) return {};
  return twoDigits(parts.day) + "." + twoDigits(parts.month) + "." + std::to_string(parts.year);
}

std::string timeText(std::int32_t serial) {
  runtime::TimeParts parts;
  if (runtime::partsFromTimeSerial(serial, parts) != 0) return {};
  return twoDigits(parts.hours) + ":" + twoDigits(parts.minutes) + ":" + twoDigits(parts.seconds);
}

void showMessage(const std::string& text) {
  ui::MessageBoxRequest request;
  request.caption = platform::ru("История изменений");
  request.text = text;
  ui::windowEngine().messageBox(request);
}

}  // namespace

std::vector<std::vector<std::string>> historyRows(const std::vector<HistoryEntry>& entries) {
  std::vector<std::vector<std::string>> rows;
  for (const HistoryEntry& entry : entries) {
    std::vector<std::string> head = {dateText(entry.date), timeText(entry.time), changeText(entry.change),
                                     entry.file};
    const std::vector<std::string> who = {entry.station, entry.user};
    if (entry.fields.empty()) {
      head.insert(head.end(), {"", "", ""});
      head.insert(head.end(), who.begin(), who.end());
      rows.push_back(std::move(head));
      continue;
    }
    bool first = true;
    for (const FieldChange& field : entry.fields) {
      std::vector<std::string> row = first ? head : std::vector<std::string>(4);
      row.insert(row.end(), {field.label, field.old_value, field.new_value});
      if (first) {
        row.insert(row.end(), who.begin(), who.end());
      } else {
        row.insert(row.end(), {"", ""});
      }
      rows.push_back(std::move(row));
      first = false;
    }
  }
  return rows;
}

ui::WindowDescription historyWindow(std::int64_t employee, const std::string& name) {
  ui::WindowDescription window;
  window.kind = ui::WindowKind::kDialog;
  window.name = "veltrano$History";
  window.label = "History";
  window.caption = platform::ru("История изменений: ") + name + " (" + std::to_string(employee) + ")";
  window.modal = true;
  window.at = {0, 0, 900, 440};
  ui::ControlDescription list = ui::describeControl(kList, ui::ControlKind::kList, {8, 8, 884, 380});
  list.format = platform::ru(kListFormat);
  list.has_scroll_bar = false;
  ui::ControlDescription close =
      ui::describeControl(kClose, ui::ControlKind::kButton, {800, 400, 92, 28}, platform::ru("Закрыть"));
  close.default_button = true;
  window.controls = {list, ui::describeControl(kCount, ui::ControlKind::kPrompt, {8, 404, 400, 20}), close};
  return window;
}

void showCardHistory(Dictionary& dictionary, std::int64_t employee, const std::string& name) {
  const std::string karta = dictionary.file("KARTA").file().external_name.value_or(std::string());
  const std::size_t slash = karta.find_last_of('/');
  auto file = declareHistoryFile(*dictionary.file("KARTA").file().driver,
                                 slash == std::string::npos ? std::string() : karta.substr(0, slash));
  storage::OperationArguments open;
  open.access_mode = kReadSharingAll;
  std::vector<HistoryEntry> entries;
  const int opened = framework::fileCall(Operation::Open, file->file(), open);
  if (opened == 0) {
    int error = 0;
    entries = readHistory(*file, &employee, &error);
    framework::fileCall(Operation::Close, file->file());
    if (error != 0) {
      showMessage(platform::ru("История изменений не прочитана: ошибка ") + std::to_string(error) + ".");
      return;
    }
  } else if (opened != kFileNotFound) {
    showMessage(platform::ru("Файл истории изменений не открыт: ошибка ") + std::to_string(opened) + ".");
    return;
  }
  ui::WindowEngine& engine = ui::windowEngine();
  const ui::WindowId window = engine.openWindow(historyWindow(employee, name));
  if (window == 0) return;
  engine.setRows(window, kList, historyRows(entries));
  engine.setValue(window, kList, entries.empty() ? "0" : "1");
  engine.setText(window, kCount,
                 entries.empty() ? platform::ru("Изменений не записано.")
                                 : platform::ru("Записей изменений: ") + std::to_string(entries.size()));
  for (;;) {
    const ui::Event event = engine.waitEvent(window);
    if (event.code == ui::event::kCloseWindow || event.code == ui::event::kCloseDown) break;
    if (event.code == ui::event::kAccepted && event.control == kClose) break;
  }
  engine.closeWindow(window);
}

}  // namespace veltrano::app::history
