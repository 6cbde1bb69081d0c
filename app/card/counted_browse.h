// A browse that counts the records of its view: every time the page is read anew from the view
// (the list opens, is reset or positioned, or goes to either end), the whole view is counted
// with the wait cursor shown and the primary file's relation manager in quick-scan, and the
// count goes into a variable that a display control of the window shows through its picture.
// Text typed into an entry locator and a drag of the thumb only move the page over the records
// already counted, so they leave the count as it is: a keystroke costs a page, not the whole
// view. A reset, a request, another order or filter and either end count again.
//
//   CountedBrowse browse;
//   builder.display(kCount, "ИТОГО:", browse.CountRecord(), kCountField, "@n7b");
//   window.Describe(*builder.build());
//   browse.Init(kList, view, &guard, &window);
//   browse.ShowCountIn(kCount);
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/browse/browse_manager.h"
#include "framework/window/window_builder.h"

namespace veltrano::app::card {

inline constexpr std::string_view kCountField = "COUNT";

class CountedBrowse : public framework::BrowseManager {
 public:
  CountedBrowse();

  // The variable the count is stored in, a LONG named kCountField, for the window's builder.
  framework::BoundRecord CountRecord();
  // The control whose binding shows the count; 0 keeps the count unseen.
  void ShowCountIn(ui::ControlId control) { shown_ = control; }
  std::int64_t Count() const { return counted_; }

  void OnRefilled() override;
  framework::Level OnEvent(const ui::Event& event) override;

 private:
  bool movesOverTheCounted(const ui::Event& event);

  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> count_;
  ui::ControlId shown_ = 0;
  std::int64_t counted_ = 0;
  bool counted_once_ = false;
  bool moving_ = false;  // the refill under way only moves the page
};

}  // namespace veltrano::app::card
