#include "app/card/counted_browse.h"

#include "app/dictionary/record_access.h"

namespace veltrano::app::card {

CountedBrowse::CountedBrowse()
    : layout_(runtime::RecordLayoutBuilder().scalar(kCountField, runtime::TypeCode::Long).build()),
      count_(layout_.size()) {}

framework::BoundRecord CountedBrowse::CountRecord() {
  return framework::BoundRecord{&layout_, count_, nullptr};
}

void CountedBrowse::OnRefilled() {
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
