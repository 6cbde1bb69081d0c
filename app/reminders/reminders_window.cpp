#include "app/reminders/reminders_window.h"

#include <algorithm>
#include <charconv>

#include "app/card/card_numbers.h"
#include "app/dictionary/record_access.h"
#include "app/frame/main_frame.h"
#include "app/reminders/reminders.h"
#include "framework/export/list_export.h"
#include "framework/report/described_controls.h"
#include "framework/window/window_builder.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/picture/picture.h"

namespace veltrano::app::reminders {
namespace {

using namespace reminders_window;
using platform::ru;

constexpr std::string_view kFormat =
    "90L(2)|M~Сотрудник~@s30@115L(2)|M~Отделение~@s60@65L(2)|M~Документ~@s30@80L(2)|M~Вид, категория~@s50@"
    "44R(2)|M~Выдан~@d6.@44R(2)|M~Истекает~@d6.@50L(2)|M~Осталось~@s16@";
constexpr std::string_view kHiddenOnEntry = "HiddenOn";
constexpr std::string_view kHorizonEntry = "Horizon";
constexpr int kMostHorizon = 3650;
constexpr int kListRows = 18;
constexpr std::int32_t kCtrlE = ui::key::kControl + 'E';
constexpr std::int32_t kCtrlEnter = ui::key::kControl + ui::key::kEnter;

std::string dateText(std::int32_t date) {
  const std::string text = runtime::formatPicture(std::to_string(date), runtime::compilePicture("@d6."));
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string remainingText(std::int32_t expires, std::int32_t today) {
  if (expires <= today) return ru("просрочено");
  return ru("через ") + std::to_string(expires - today) + ru(" дн.");
}

int numberIn(const std::string& text, int fallback) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() ? number : fallback;
}

int savedHorizon(framework::SettingsFile& settings) {
  const int horizon = numberIn(settings.Fetch(kRemindersSection, kHorizonEntry), kDefaultHorizonDays);
  return std::clamp(horizon, 0, kMostHorizon);
}

bool hiddenToday(framework::SettingsFile& settings, std::int32_t today) {
  return settings.Fetch(kRemindersSection, kHiddenOnEntry) == std::to_string(today);
}

class RemindersWindow : public framework::WindowController {
 public:
  RemindersWindow(const Application& application, RemindersRead read)
      : application_(application), today_(runtime::today()), horizon_(savedHorizon(application.settings)) {
    application.prepare(*this);
    take(std::move(read));
    framework::WindowBuilder window("veltrano$VELTR130", "Reminders", "Напоминания");
    window.size(828, 470);
    window.control(framework::describedControl(kHorizonPrompt, ui::ControlKind::kPrompt, {8, 10, 250, 20},
                                               ru("Истекает в ближайшие (дней):")));
    window.control(framework::describedSpin(kHorizon, {262, 8, 70, 22}, 0, kMostHorizon, horizon_));
    window.control(framework::describedControl(kCount, ui::ControlKind::kPrompt, {680, 10, 140, 20}));
    window.list(kList, kFormat, {8, 38, 812, 22 + kListRows * 18});
    ui::ControlDescription hide = framework::describedControl(kHideToday, ui::ControlKind::kCheck,
                                                              {8, 392, 300, 20}, ru("Не показывать сегодня"));
    hide.value = hiddenToday(application.settings, today_) ? "1" : "0";
    window.control(hide);
    window.button(kCard, "&Карточка").button(kExport, "&Экспорт…").button(kClose, "&Закрыть");
    framework::WindowDefinition definition = *window.build();
    definition.cancel_control = kClose;
    Describe(std::move(definition));
    AddButton(kClose, framework::kResponseCancelled);
  }

  void ArmAlertKeys() override {
    WindowController::ArmAlertKeys();
    for (const int key : {ui::key::kDoubleClick, kCtrlEnter, kCtrlE})
      engine().alertControlKey(window(), kList, key);
  }

  framework::Level OnWindowEvent(const ui::Event& event) override {
    if (event.code == ui::event::kOpenWindow) show();
    return WindowController::OnWindowEvent(event);
  }

  framework::Level OnAccepted(const ui::Event& event) override {
    switch (event.control) {
      case kCard: openCard(); return framework::kLevelBenign;
      case kExport: exportList(); return framework::kLevelBenign;
      case kHideToday: keepHidden(); return framework::kLevelBenign;
      case kHorizon: changeHorizon(); return framework::kLevelBenign;
      default: return WindowController::OnAccepted(event);
    }
  }

  framework::Level OnNewSelection(const ui::Event& event) override {
    if (event.control == kHorizon) changeHorizon();
    if (event.control == kList) {
      const int row = numberIn(engine().value(window(), kList).value_or(""), 0);
      if (row >= 1) selected_ = std::min(top_ + static_cast<std::size_t>(row - 1), last());
    }
    return WindowController::OnNewSelection(event);
  }

  framework::Level OnFieldEvent(const ui::Event& event) override {
    if (event.control != kList) return WindowController::OnFieldEvent(event);
    const std::size_t page = pageRows();
    switch (event.code) {
      case ui::event::kScrollUp: move(-1); break;
      case ui::event::kScrollDown: move(1); break;
      case ui::event::kPageUp: move(-static_cast<long>(page)); break;
      case ui::event::kPageDown: move(static_cast<long>(page)); break;
      case ui::event::kScrollTop: move(-static_cast<long>(rows_.size())); break;
      case ui::event::kScrollBottom: move(static_cast<long>(rows_.size())); break;
      case ui::event::kScrollDrag:
        selected_ =
            rows_.empty() ? 0 : last() * static_cast<std::size_t>(std::clamp(event.thumb, 0, 100)) / 100;
        show();
        break;
      case ui::event::kAccepted: openCard(); break;
      case ui::event::kAlertKey:
        if (event.key == kCtrlE) {
          exportList();
        } else if (event.key == ui::key::kDoubleClick || event.key == kCtrlEnter) {
          openCard();
        }
        break;
      default: break;
    }
    return framework::kLevelBenign;
  }

 private:
  void take(RemindersRead read) {
    if (!read.failure.empty()) {
      ui::messageBox(ui::MessageBoxRequest{read.failure, ru("Напоминания"), ui::kIconExclamation,
                                           ui::kButtonOk, ui::kButtonOk});
    }
    reminders_ = std::move(read.reminders);
    rows_.clear();
    for (const Reminder& reminder : reminders_) {
      rows_.push_back({reminder.name, reminder.department, reminderKindText(reminder.kind), reminder.detail,
                       dateText(reminder.document_date), dateText(reminder.expires),
                       remainingText(reminder.expires, today_)});
    }
    selected_ = std::min(selected_, last());
  }

  std::size_t last() const { return rows_.empty() ? 0 : rows_.size() - 1; }
  std::size_t pageRows() {
    return static_cast<std::size_t>(std::max(1, engine().visibleRows(window(), kList).value_or(kListRows)));
  }

  void move(long by) {
    if (rows_.empty()) return;
    const long target = std::clamp(static_cast<long>(selected_) + by, 0L, static_cast<long>(last()));
    selected_ = static_cast<std::size_t>(target);
    show();
  }

  // The page holding the selected line, the selection, the thumb and the count.
  void show() {
    const std::size_t page = pageRows();
    if (selected_ < top_) top_ = selected_;
    if (selected_ >= top_ + page) top_ = selected_ + 1 - page;
    if (top_ + page > rows_.size()) top_ = rows_.size() > page ? rows_.size() - page : 0;
    const auto first = rows_.begin() + static_cast<long>(top_);
    const auto end = rows_.begin() + static_cast<long>(std::min(rows_.size(), top_ + page));
    engine().setRows(window(), kList, std::vector<std::vector<std::string>>(first, end));
    engine().setValue(window(), kList, rows_.empty() ? "0" : std::to_string(selected_ - top_ + 1));
    engine().setThumb(window(), kList, rows_.size() < 2 ? 0 : static_cast<int>(selected_ * 100 / last()));
    engine().setText(window(), kCount, ru("Всего: ") + std::to_string(rows_.size()));
    engine().setEnabled(window(), kCard, !rows_.empty());
  }

  void reload() {
    take(readReminders(application_.dictionary, today_, horizon_));
    show();
  }

  void changeHorizon() {
    const int horizon =
        std::clamp(numberIn(engine().value(window(), kHorizon).value_or(""), horizon_), 0, kMostHorizon);
    if (horizon == horizon_) return;
    horizon_ = horizon;
    application_.settings.Update(kRemindersSection, kHorizonEntry, std::to_string(horizon_));
    reload();
  }

  void keepHidden() {
    const bool hidden = engine().value(window(), kHideToday).value_or("0") == "1";
    application_.settings.Update(kRemindersSection, kHiddenOnEntry, hidden ? std::to_string(today_) : "");
  }

  void openCard() {
    if (rows_.empty()) return;
    framework::TableManager& karta = application_.dictionary.manager("KARTA");
    if (karta.Open() != framework::kLevelBenign) return;
    storage::DeclaredFile& file = application_.dictionary.file("KARTA");
    RecordAccess card(file);
    card.setInteger("KAR:NUM", reminders_[selected_].employee);
    // A card erased meanwhile is reported by the fetch; the list is read again either way.
    if (karta.Fetch(file.key("KAR:NUM_KEY")) == framework::kLevelBenign)
      application_.call(card::kCardForm, framework::kRequestChange);
    karta.Close();
    reload();
  }

  class Rows final : public framework::ExportSource {
   public:
    explicit Rows(const std::vector<std::vector<std::string>>& rows) : rows_(rows) {}
    std::string Title() const override { return ru("Напоминания"); }
    std::vector<framework::ExportColumn> Columns() const override {
      return framework::exportColumns(ru(kFormat));
    }
    std::int64_t Expected() const override { return static_cast<std::int64_t>(rows_.size()); }
    bool Start() override {
      next_ = 0;
      return true;
    }
    Read Next(std::vector<std::string>& cells) override {
      if (next_ >= rows_.size()) return Read::kEnd;
      cells = rows_[next_++];
      return Read::kRow;
    }

   private:
    const std::vector<std::vector<std::string>>& rows_;
    std::size_t next_ = 0;
  };

  void exportList() {
    Rows rows(rows_);
    framework::exportList(rows);
  }

  const Application& application_;
  std::int32_t today_;
  int horizon_;
  std::vector<Reminder> reminders_;
  std::vector<std::vector<std::string>> rows_;
  std::size_t top_ = 0;
  std::size_t selected_ = 0;
};

std::uint8_t runReminders(const Application& application, bool at_start_up) {
  const std::int32_t today = runtime::today();
  // The first start in a directory (the frame has never kept its placement) is the clerk's
  // setting up, with data just made: the reminders come from the next start on.
  const bool first_start =
      application.settings.Fetch(kFrameLabel, "Maximize") == framework::SettingsFile::kUnknown;
  if (at_start_up && (first_start || hiddenToday(application.settings, today)))
    return framework::kResponseCancelled;
  RemindersRead read = readReminders(application.dictionary, today, savedHorizon(application.settings));
  // At start-up the window comes only with something to say; a file that cannot be read is
  // told when the clerk opens the window.
  if (at_start_up && (read.reminders.empty() || !read.failure.empty())) return framework::kResponseCancelled;
  RemindersWindow window(application, std::move(read));
  return window.Run();
}

}  // namespace

void registerReminderProcedures(Application& application) {
  for (const auto& [number, at_start_up] :
       {std::pair{kRemindersProcedure, false}, std::pair{kRemindersAtStartUp, true}}) {
    application.procedures.Register(number, procedureName(number), [&application, at_start_up](const auto&) {
      return runReminders(application, at_start_up);
    });
  }
}

}  // namespace veltrano::app::reminders
