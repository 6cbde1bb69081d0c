#include "app/card/counted_browse.h"

#include "app/dictionary/record_access.h"

namespace veltrano::app::card {

CountedBrowse::CountedBrowse()
    : layout_(runtime::RecordLayoutBuilder().scalar(kCountField, runtime::TypeCode::Long).build()),
      count_(layout_.size()) {}

framework::BoundRecord CountedBrowse::CountRecord() {
  return framework::BoundRecord{&layout_, count_, nullptr};
}

framework::Level CountedBrowse::OnEvent(const ui::Event& event) {
  moving_ = movesOverTheCounted(event);
  const framework::Level level = BrowseManager::OnEvent(event);
  moving_ = false;
  return level;
}

bool CountedBrowse::movesOverTheCounted(const ui::Event& event) {
  if (!counted_once_ || LOADPENDING != 0 || CURRENT == 0 || LISTCONTROL == 0) return false;
  if (event.control == LISTCONTROL) return event.code == ui::event::kScrollDrag;
  const framework::StepLocator* locator = CurrentOrder().LOCATOR;
  // A locator that filters changes which records the view holds.
  return event.code == ui::event::kAccepted && locator != nullptr && !locator->Filters() &&
         locator->CONTROL == event.control;
}

void CountedBrowse::OnRefilled() {
  if (moving_) return;
  counted_once_ = true;
  engine().setWaitCursor(window(), true);
  if (PRIMARY != nullptr) PRIMARY->EnableQuickScan(true, 1);
  // The view read from its start to its end; the page's rows keep their positions, from which
  // the next reads resume.
  Reset();
  const std::int64_t records = VIEW != nullptr ? VIEW->records() : 0;
  counted_ = records < 0 ? 0 : records;
  RecordAccess(layout_, count_).setInteger(kCountField, counted_);
  if (PRIMARY != nullptr) PRIMARY->EnableQuickScan(false, 1);
  if (const framework::FieldBinding* binding = WINDOW != nullptr ? WINDOW->bindingOf(shown_) : nullptr)
    engine().setValue(window(), shown_, framework::shownText(*binding));
  engine().setWaitCursor(window(), false);
}

}  // namespace veltrano::app::card
