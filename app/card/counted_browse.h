// A browse that counts the records of its view: every time the page is read anew from the view
// (the list opens, is reset or positioned, or goes to either end), the whole view is counted
// with the wait cursor shown and the primary file's relation manager in quick-scan, and the
// count goes into a variable that a display control of the window shows through its picture.
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

 private:
  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> count_;
  ui::ControlId shown_ = 0;
  std::int64_t counted_ = 0;
};

}  // namespace veltrano::app::card
