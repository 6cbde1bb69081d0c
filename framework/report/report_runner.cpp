#include "framework/report/report_runner.h"

#include <mutex>

#include "framework/report/described_controls.h"
#include "framework/report/report_printer.h"
#include "platform/codepage.h"
#include "runtime/values/field_value.h"
#include "ui/report/report_csv.h"
#include "ui/report/report_output.h"

namespace veltrano::framework {
namespace {

std::mutex files_mutex;
std::optional<ReportFiles> report_files;

std::optional<ReportFiles> filesInPlace() {
  std::lock_guard lock(files_mutex);
  return report_files;
}

}  // namespace

ScopedReportFiles::ScopedReportFiles(ReportFiles files) {
  std::lock_guard lock(files_mutex);
  report_files = std::move(files);
}

ScopedReportFiles::~ScopedReportFiles() {
  std::lock_guard lock(files_mutex);
  report_files.reset();
}

ReportRunner::ReportRunner() = default;

void ReportRunner::BindValue(std::string name, std::function<std::string()> value) {
  bound_.emplace_back(std::move(name), std::move(value));
}

void ReportRunner::describeProgressWindow() {
  ui::WindowDescription window;
  window.kind = ui::WindowKind::kDialog;
  window.name = "veltrano$" + REPORT.name;
  window.caption = "Progress...";
  window.at = {0, 0, 320, 112};
  window.resizable = false;
  window.hidden = DEFERWINDOW > 0 || filesInPlace().has_value();
  std::string complete = TRANSLATOR != nullptr ? TRANSLATOR->TranslateString("% Complete") : "% Complete";
  window.controls = {
      describedControl(progress::kBar, ui::ControlKind::kProgress, {12, 12, 296, 20}),
      describedControl(progress::kText, ui::ControlKind::kPrompt, {12, 40, 296, 18}, "0" + complete),
      describedControl(progress::kCancel, ui::ControlKind::kButton, {120, 68, 80, 26}, "Cancel"),
  };
  window.controls.back().default_button = true;
  WindowDefinition definition;
  definition.window = std::move(window);
  definition.cancel_control = progress::kCancel;
  Describe(std::move(definition));
  FIRSTFIELD = progress::kCancel;
  bool has_cancel = false;
  for (const Button& button : BUTTONS) has_cancel = has_cancel || button.CONTROL == progress::kCancel;
  if (!has_cancel) AddButton(progress::kCancel, kResponseCancelled);
}

std::uint8_t ReportRunner::Run() {
  if (!filesInPlace()) return WindowController::Run();
  // Without a screen nothing waits for the timer: the ticks follow one another.
  if (Init() == kLevelBenign) {
    while (ending_ == Ending::kRunning) Tick();
  }
  Kill();
  return RESPONSE == kResponseNone ? kResponseCancelled : RESPONSE;
}

Level ReportRunner::Init() {
  ending_ = Ending::kRunning;
  OPENFAILED = 0;
  opened_ = false;
  any_record_ = false;
  pages_ = {};
  PREVIEWQUEUE.clear();
  describeProgressWindow();
  STARTTIME = CLOCK();
  if (const Level opened = WindowController::Init(); opened != kLevelBenign) return opened;
  if (PROCESS != nullptr) PROCESS->ShowProgressIn(window(), progress::kBar, progress::kText, TRANSLATOR);
  if (DEFEROPENREPORT == 0) OpenReport();
  if (!filesInPlace()) engine().setTimer(window(), 1);
  return kLevelBenign;
}

bool ReportRunner::OpenReport() {
  opened_ = true;
  auto fail = [&](std::string reason) {
    OPENFAILED = 1;
    tell(std::move(reason));
    return false;
  };
  if (PROCESS == nullptr)
    return fail(platform::ru("Отчёт ") + REPORT.name + platform::ru(": не задано, что читать."));
  std::string error;
  std::shared_ptr<const ui::report::CompiledReport> report =
      ui::report::CompiledReport::compile(REPORT, &error);
  if (report == nullptr) return fail(error);

  value_of_.clear();
  for (const std::string& name : report->valueNames()) {
    std::function<std::string()> value;
    for (const auto& [bound, compute] : bound_) {
      if (bound == name) value = compute;
    }
    for (std::size_t file = 0; !value && PROCESS->File(file) != nullptr; ++file) {
      storage::FileControlBlock* block = PROCESS->File(file);
      int index = block->layout->find(name);
      if (index < 0) continue;
      const runtime::FieldDescriptor* field = &block->layout->field(static_cast<std::size_t>(index));
      value = [field, block] { return runtime::loadText(*field, block->record); };
    }
    if (!value) {
      return fail(platform::ru("Отчёт ") + REPORT.name + platform::ru(" не может быть напечатан: значения ") +
                  name + platform::ru(" нет ни в файлах отчёта, ни среди вычисляемых."));
    }
    value_of_.push_back(std::move(value));
  }
  values_.assign(value_of_.size(), std::string());
  layout_ = std::make_unique<ui::report::ReportLayout>(std::move(report));
  PROCESS->Reset();
  return true;
}

void ReportRunner::fillValues() {
  for (std::size_t index = 0; index < value_of_.size(); ++index) values_[index] = value_of_[index]();
}

bool ReportRunner::PrintBand(std::string_view band) {
  if (layout_ == nullptr) return false;
  fillValues();
  return layout_->print(band, values_);
}

int ReportRunner::OnRecord() {
  for (const ui::report::ReportBand& band : REPORT.bands) {
    if (band.kind == ui::report::BandKind::kDetail) return PrintBand(band.name) ? 0 : 1;
  }
  return 1;
}

int ReportRunner::OnEndOfRecords() {
  return 0;
}

void ReportRunner::OnNoRecords() {
  OPENFAILED = 1;
  if (ERRORS != nullptr) ERRORS->Throw(22);
}

TickResult ReportRunner::Tick() {
  TickResult result;
  if (ending_ != Ending::kRunning) return result;
  if (DEFEROPENREPORT != 0 && !opened_) OpenReport();
  if (OPENFAILED != 0 || PROCESS == nullptr) {
    result.outcome = TickResult::kFatal;
    finish(Ending::kFailed);
    return result;
  }
  if (DEFERWINDOW != 0 && CLOCK() - STARTTIME > std::int64_t{DEFERWINDOW} * 100) {
    engine().setHidden(window(), 0, false);
    DEFERWINDOW = 0;
  }
  result = runTimedBatches(
      RECORDSPERCYCLE, TIMESLICE, CLOCK, [this] { return PROCESS->Next(); },
      [this] {
        any_record_ = true;
        return OnRecord();
      });
  switch (result.outcome) {
    case TickResult::kMore: break;
    case TickResult::kNoMoreRecords:
      if (!any_record_) {
        OnNoRecords();
        finish(Ending::kFailed);
      } else {
        finish(OnEndOfRecords() == 0 ? Ending::kFinished : Ending::kFailed);
      }
      break;
    case TickResult::kStopped: finish(Ending::kFinished); break;
    case TickResult::kFatal: finish(Ending::kFailed); break;
  }
  return result;
}

void ReportRunner::finish(Ending ending) {
  ending_ = ending;
  RESPONSE = ending == Ending::kFinished ? kResponseCompleted : kResponseCancelled;
  if (window() != 0) {
    engine().setTimer(window(), 0);
    PostEvent(ui::event::kCloseWindow);
  }
}

Level ReportRunner::OnWindowEvent(const ui::Event& event) {
  if (event.code == ui::event::kTimer) {
    Tick();
    return kLevelBenign;
  }
  return WindowController::OnWindowEvent(event);
}

Level ReportRunner::Kill() {
  // A window closed before the report came to its end was cancelled: nothing is printed.
  if (ending_ == Ending::kRunning) ending_ = Ending::kCancelled;
  if (ending_ == Ending::kFinished && layout_ != nullptr) {
    pages_ = layout_->close();
    PREVIEWQUEUE = pages_.pages;
  }
  layout_.reset();
  Level killed = WindowController::Kill();
  if (ending_ == Ending::kFinished) deliver();
  if (ending_ != Ending::kFinished) RESPONSE = kResponseCancelled;
  return killed;
}

bool ReportRunner::RunPreview() {
  if (PREVIEW == nullptr) return false;
  if (PREVIEW->TRANSLATOR == nullptr) PREVIEW->TRANSLATOR = TRANSLATOR;
  if (ZOOM != 0) PREVIEW->INITZOOM = ZOOM;
  return PREVIEW->Display(pages_);
}

void ReportRunner::deliver() {
  if (std::optional<ReportFiles> files = filesInPlace()) {
    if (!writeFiles(*files)) RESPONSE = kResponseCancelled;
    return;
  }
  if (PREVIEW != nullptr && SKIPPREVIEW == 0) {
    RunPreview();
    return;
  }
  if (!printReport(pages_, currentPrinter(), REPORT.title.empty() ? REPORT.name : REPORT.title)) {
    RESPONSE = kResponseCancelled;
  }
}

bool ReportRunner::writeFiles(const ReportFiles& files) {
  std::optional<std::string> failure;
  if (!files.pdf.empty()) failure = ui::report::reportOutput().writePdf(pages_, files.pdf);
  if (!failure && !files.csv.empty()) failure = ui::report::writeCsv(pages_, files.csv);
  if (!failure) return true;
  tell(*failure);
  return false;
}

// Under the report's title, which the clerk knows it by.
void ReportRunner::tell(std::string message) const {
  std::string caption = REPORT.title.empty() ? REPORT.name : REPORT.title;
  ui::messageBox(
      ui::MessageBoxRequest{std::move(message), caption, ui::kIconExclamation, ui::kButtonOk, ui::kButtonOk});
}

}  // namespace veltrano::framework
