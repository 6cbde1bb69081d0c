#include "app/card/reference_drops.h"

#include "framework/window/window_controller.h"

namespace veltrano::app::card {

void ReferenceDrops::Init(framework::WindowController& form, Dictionary& dictionary,
                          std::span<const ReferenceDrop> drops) {
  for (const ReferenceDrop& drop : drops) {
    const framework::FieldBinding* binding = form.bindingOf(drop.control);
    if (binding == nullptr) continue;
    storage::DeclaredFile& book = dictionary.file(drop.book);
    const runtime::FieldDescriptor& value = book.layout().field(0);
    auto& queue = queues_.emplace_back(
        std::make_unique<runtime::Queue>(runtime::RecordLayoutBuilder().string("ROW", value.size).build()));
    auto& combo = combos_.emplace_back(std::make_unique<framework::LookupCombo>());
    combo->Init(drop.control, *binding, framework::ViewDefinition{{}, {&book.file()}}, queue.get(),
                &dictionary.guard(drop.book), &form);
    combo->RegisterSortOrder(book.file().keys.front());
    combo->AddField(framework::fieldOf(book.layout(), book.record(), 0),
                    framework::fieldOf(queue->layout(), queue->buffer(), 0));
    form.AddItem(combo.get());
  }
}

}  // namespace veltrano::app::card
