#include "framework/report/process_manager.h"

#include <algorithm>

#include "runtime/values/field_value.h"
#include "storage/driver.h"

namespace veltrano::framework {

std::string ProcessManager::valueText() const {
  if (!VALUEFIELD.valid()) return {};
  return runtime::loadText(*VALUEFIELD.field, VALUEFIELD.record);
}

void ProcessManager::ShowProgressIn(ui::WindowId window, ui::ControlId bar, ui::ControlId text,
                                    const Translator* translator) {
  window_ = window;
  PERCENTILE = bar;
  PTEXT = text;
  translator_ = translator;
  shown_ = -1;
}

void ProcessManager::Reset() {
  RECORDSPROCESSED = 0;
  CHILDREAD = 0;
  descend_ = false;
  shown_ = -1;
  if (STEPMGR != nullptr && VALUEFIELD.valid()) {
    if (STEPMGR->NeedLimits()) {
      ViewManager::Reset();
      std::string low = ViewManager::Next() == kLevelBenign ? valueText() : std::string();
      ViewManager::Reset();
      std::string high = ViewManager::Previous() == kLevelBenign ? valueText() : low;
      STEPMGR->SetLimit(low, high);
    }
  } else if (RECORDSTOPROCESS == 0 && File(0) != nullptr) {
    RECORDSTOPROCESS =
        static_cast<std::int32_t>(storage::fileStatement(storage::Operation::RecordsFile, *File(0)));
  }
  ViewManager::Reset();
}

int ProcessManager::Percentage() {
  if (STEPMGR != nullptr && VALUEFIELD.valid()) return std::clamp(STEPMGR->PercentileOf(valueText()), 0, 100);
  if (RECORDSTOPROCESS <= 0) return 0;
  return static_cast<int>(
      std::min<std::int64_t>(100, std::int64_t{RECORDSPROCESSED} * 100 / RECORDSTOPROCESS));
}

void ProcessManager::SetProgress() {
  int percent = Percentage();
  if (percent == shown_ || window_ == 0) return;
  shown_ = percent;
  ui::WindowEngine& engine = ui::windowEngine();
  if (PERCENTILE != 0) engine.setValue(window_, PERCENTILE, std::to_string(percent));
  if (PTEXT != 0) {
    std::string complete = translator_ != nullptr ? translator_->TranslateString("% Complete") : "% Complete";
    engine.setText(window_, PTEXT, std::to_string(percent) + complete);
  }
}

Level ProcessManager::Next() {
  if (descend_) {
    descend_ = false;
    if (CHILDREAD < CHILDREN.size()) {
      ViewManager* child = CHILDREN[CHILDREAD];
      child->UseRange();
      child->Reset();
      ++CHILDREAD;
    }
  }
  for (;;) {
    if (CHILDREAD == 0) {
      Level read = ViewManager::Next();
      if (read != kLevelBenign) return read;
      ++RECORDSPROCESSED;
      SetProgress();
      descend_ = true;
      return kLevelBenign;
    }
    Level read = CHILDREN[CHILDREAD - 1u]->Next();
    if (read == kLevelBenign) {
      descend_ = true;
      return kLevelBenign;
    }
    if (read != kLevelNotify) return read;
    --CHILDREAD;  // this level is read to its end: back to the one above
  }
}

}  // namespace veltrano::framework
