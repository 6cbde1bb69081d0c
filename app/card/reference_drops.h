// The drop-down lists of a form over the one-field reference books: each is a LookupCombo over
// its book in the book's key order, the book's field as the list's one column and as the text
// the entry completes from.
#pragma once

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "framework/lookup/lookup_combo.h"
#include "runtime/queue/queue.h"

namespace veltrano::app::card {

struct ReferenceDrop {
  ui::ControlId control = 0;
  std::string_view book;  // the reference file, "GRAGD"
};

class ReferenceDrops {
 public:
  // Registers a combo for each drop with `form`, which kills them with its window.
  // REQUIRES: `form` was described with the combos' controls bound to their fields.
  void Init(framework::WindowController& form, Dictionary& dictionary, std::span<const ReferenceDrop> drops);

 private:
  std::vector<std::unique_ptr<runtime::Queue>> queues_;
  std::vector<std::unique_ptr<framework::LookupCombo>> combos_;
};

}  // namespace veltrano::app::card
