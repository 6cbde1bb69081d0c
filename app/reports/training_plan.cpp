#include "app/reports/training_plan.h"

#include <vector>

#include "app/dictionary/record_access.h"
#include "app/reference/selection_lists.h"
#include "app/reports/report_dialog.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

constexpr std::string_view kSlotsSection = "UchebaSlots";
constexpr int kGroupWidth = 330;
constexpr int kSlotLine = 26;

// A kind of slot: how many, where their controls are numbered, the selection list that
// fills them, and the field of its file the choice is copied from.
struct SlotKind {
  std::string_view title;
  std::string_view entry;  // the settings' entry, numbered
  ui::ControlId first;
  std::uint16_t list;
  std::string_view file;
  std::string_view field;
};
constexpr SlotKind kSlotKinds[] = {
    {"Подразделения", "Strukt", plan::kFirstSubdivision, reference::kChooseSubdivisions, "BOLNICA",
     "BOL:NOM"},
    {"Отделения", "Otdel", plan::kFirstDepartment, reference::kChooseAnyDepartment, "OTDELENI", "OTD:NOM"},
    {"Должности", "Post", plan::kFirstPosition, reference::kStaffPositions, "DOLGNOST", "DOL:NOM"},
};

// The slots of one kind, as pointers into `slots` (const or not).
template <typename Slots>
auto slotTexts(Slots& slots, std::size_t kind) {
  std::vector<decltype(&slots.subdivisions[0])> texts;
  auto take = [&](auto& array) {
    for (auto& text : array) texts.push_back(&text);
  };
  if (kind == 0) take(slots.subdivisions);
  if (kind == 1) take(slots.departments);
  if (kind == 2) take(slots.positions);
  return texts;
}

class PlanWindow : public framework::WindowController {
 public:
  explicit PlanWindow(const Application& application) : application_(application) {
    runtime::RecordLayoutBuilder fields;
    for (std::size_t kind = 0; kind < std::size(kSlotKinds); ++kind) {
      for (std::size_t slot = 0; slot < slotTexts(slots_, kind).size(); ++slot)
        fields.string(slotName(kind, slot), 60);
    }
    layout_ = fields.build();
    bytes_.assign(layout_.size(), 0);
    slots_ = readPlanSlots(application.settings);
    store();
  }

  std::uint8_t Run() override {
    application_.prepare(*this);
    framework::WindowBuilder window("veltrano$VELTR082", "Ucheba", "План учёбы и аттестации врачей");
    const framework::BoundRecord record{&layout_, bytes_, nullptr};
    std::vector<ui::ControlId> entries;
    for (std::size_t kind = 0; kind < std::size(kSlotKinds); ++kind) {
      const SlotKind& slots = kSlotKinds[kind];
      const std::size_t count = slotTexts(slots_, kind).size();
      const int x = 8 + static_cast<int>(kind) * (kGroupWidth + 8);
      window.group(plan::kFirstGroup + static_cast<ui::ControlId>(kind), slots.title,
                   {x, 8, kGroupWidth, 28 + static_cast<int>(count) * kSlotLine});
      window.promptWidth(22);
      for (std::size_t slot = 0; slot < count; ++slot) {
        const ui::ControlId id = slots.first + static_cast<ui::ControlId>(slot);
        window.entry(id, std::to_string(slot + 1), record, slotName(kind, slot), "@s60");
        entries.push_back(id);
      }
      window.end();
    }
    window.button(plan::kBuild, "Сформировать план")
        .button(plan::kEdit, "Редактировать план")
        .button(plan::kPrint, "Печать плана")
        .button(plan::kClose, "Закрыть");
    std::optional<framework::WindowDefinition> definition = window.build();
    if (!definition) return framework::kResponseCancelled;
    addLookupButtons(*definition, entries, plan::kFirstLookup);
    Describe(std::move(*definition));
    FIRSTFIELD = plan::kFirstSubdivision;
    AddButton(plan::kClose, framework::kResponseCompleted);
    return WindowController::Run();
  }
  using WindowController::Run;

  framework::Level OnAccepted(const ui::Event& event) override {
    const ui::ControlId lookup = event.control - plan::kFirstLookup;
    if (lookup >= 0 && lookup < 21) {
      Update();
      const std::size_t kind = lookup < 8 ? 0 : lookup < 13 ? 1 : 2;
      const std::size_t slot = static_cast<std::size_t>(lookup) - (kind == 0 ? 0 : kind == 1 ? 8 : 13);
      const SlotKind& slots = kSlotKinds[kind];
      if (reference::choose(application_, slots.list)) {
        RecordAccess(layout_, bytes_)
            .setText(slotName(kind, slot),
                     RecordAccess(application_.dictionary.file(slots.file)).text(slots.field));
        Display();
      }
      return framework::kLevelBenign;
    }
    switch (event.control) {
      case plan::kBuild: build(); return framework::kLevelBenign;
      case plan::kEdit: Run(85, framework::kRequestNone); return framework::kLevelBenign;
      case plan::kPrint: Run(84, framework::kRequestNone); return framework::kLevelBenign;
      default: return WindowController::OnAccepted(event);
    }
  }

 private:
  static std::string slotName(std::size_t kind, std::size_t slot) {
    return std::string(kSlotKinds[kind].entry) + std::to_string(slot + 1);
  }
  void store() {
    RecordAccess values(layout_, bytes_);
    for (std::size_t kind = 0; kind < std::size(kSlotKinds); ++kind) {
      const auto texts = slotTexts(slots_, kind);
      for (std::size_t slot = 0; slot < texts.size(); ++slot)
        values.setText(slotName(kind, slot), *texts[slot]);
    }
  }
  void load() {
    const RecordAccess values(layout_, bytes_);
    for (std::size_t kind = 0; kind < std::size(kSlotKinds); ++kind) {
      const auto texts = slotTexts(slots_, kind);
      for (std::size_t slot = 0; slot < texts.size(); ++slot)
        *texts[slot] = values.text(slotName(kind, slot));
    }
  }

  void build() {
    Update();
    load();
    const std::string caption = definition().window.caption;
    const unsigned answer = ui::messageBox(ui::MessageBoxRequest{
        ru("План будет сформирован заново: годы учёбы и аттестации, запланированные в нём раньше, "
           "пропадут. Сформировать план?"),
        caption, ui::kIconQuestion, ui::kButtonYes + ui::kButtonNo, ui::kButtonNo});
    if (answer != ui::kButtonYes) return;
    writePlanSlots(application_.settings, slots_);
    const PlanBuilt built = buildTrainingPlan(application_.dictionary, slots_, runtime::today());
    const std::string told =
        built.built ? ru("План сформирован: врачей в плане - ") + std::to_string(built.doctors) + "."
                    : ru("План не сформирован. ") + built.failure;
    ui::messageBox(ui::MessageBoxRequest{told, caption, built.built ? ui::kIconNone : ui::kIconExclamation,
                                         ui::kButtonOk, ui::kButtonOk});
  }

  const Application& application_;
  PlanSlots slots_;
  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

PlanSlots readPlanSlots(framework::SettingsFile& settings) {
  PlanSlots slots;
  for (std::size_t kind = 0; kind < std::size(kSlotKinds); ++kind) {
    const auto texts = slotTexts(slots, kind);
    for (std::size_t slot = 0; slot < texts.size(); ++slot) {
      const std::string value =
          settings.Fetch(kSlotsSection, std::string(kSlotKinds[kind].entry) + std::to_string(slot + 1));
      if (value != framework::SettingsFile::kUnknown) *texts[slot] = platform::cp1251FromUtf8(value);
    }
  }
  return slots;
}

void writePlanSlots(framework::SettingsFile& settings, const PlanSlots& slots) {
  for (std::size_t kind = 0; kind < std::size(kSlotKinds); ++kind) {
    const auto texts = slotTexts(slots, kind);
    for (std::size_t slot = 0; slot < texts.size(); ++slot) {
      settings.Update(kSlotsSection, std::string(kSlotKinds[kind].entry) + std::to_string(slot + 1),
                      platform::utf8From1251(*texts[slot]));
    }
  }
}

std::uint8_t runTrainingPlan(const Application& application) {
  PlanWindow window(application);
  return window.Run();
}

}  // namespace veltrano::app::reports
