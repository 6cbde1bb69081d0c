#include "app/card/child_forms.h"

#include <algorithm>
#include <vector>

#include "app/card/reference_drops.h"
#include "app/computations/derived_records.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reference/selection_lists.h"
#include "framework/window/window_controller.h"
#include "platform/codepage.h"

namespace veltrano::app::card {
namespace {

constexpr int kCharacterWidth = 7;
constexpr int kLengthColumn = 72;  // the width of each of the three numbers of a length

// The words of a length's header, each the prompt of its number.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> found;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = text.find_first_not_of(' ', at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(text.find(' ', start), text.size());
    found.push_back(text.substr(start, end - start));
    at = end;
  }
  return found;
}

struct DescribedForm {
  framework::WindowDefinition definition;
  std::vector<ReferenceDrop> drops;
};

DescribedForm describe(const Application& application, const ChildFormDescription& form) {
  storage::DeclaredFile& file = application.dictionary.file(form.file);
  const framework::BoundRecord record = framework::BoundRecord::of(file.file());
  framework::WindowBuilder builder("veltrano$" + procedureName(form.number), form.label, form.caption);
  std::size_t widest = 0;
  for (const FormLine& line : form.lines) widest = std::max(widest, platform::ru(line.prompt).size());
  builder.promptWidth(static_cast<int>(widest) * kCharacterWidth + 16);
  DescribedForm made;
  ui::ControlId id = kChildFormFirstField;
  for (const FormLine& line : form.lines) {
    if (line.field.empty()) break;
    switch (line.kind) {
      case LineKind::kEntry: builder.entry(id, line.prompt, record, line.field, line.picture); break;
      case LineKind::kChosen:
        builder.entry(id, line.prompt, record, line.field, line.picture);
        if (line.read_only) builder.readOnly();
        builder.buttonBeside(id + kChildFormChooseOffset, "...");
        break;
      case LineKind::kDrop:
        made.drops.push_back({id, line.book});
        builder.combo(id, line.prompt, record, line.field, line.format, line.picture);
        break;
      case LineKind::kCategories:
        builder.options(id, line.prompt, record, line.field,
                        {{"Высшая", "Высшая"}, {"Первая", "Первая"}, {"Вторая", "Вторая"}});
        break;
      case LineKind::kLength: {
        // Days, months and years follow one another in the record.
        const RecordAccess fields(file);
        const auto first = static_cast<std::size_t>(file.layout().find(line.field));
        const std::vector<std::string_view> headers = words(line.format);
        builder.groupOfLines(id, line.prompt, 1);
        for (std::size_t part = 0; part < 3 && part < headers.size(); ++part) {
          if (part == 0)
            builder.promptWidth(static_cast<int>(platform::ru(headers[part]).size()) * kCharacterWidth + 6);
          if (part > 0) builder.beside();
          builder.entry(id + static_cast<ui::ControlId>(part) + 1, headers[part], record,
                        fields.layout().field(first + part).name, line.picture);
          builder.width(kLengthColumn);
        }
        builder.endGroup().promptWidth(static_cast<int>(widest) * kCharacterWidth + 16);
        id += 3;
        break;
      }
    }
    ++id;
  }
  builder.okButton(kChildFormOk, "Ввод").cancelButton(kChildFormCancel, "Отмена");
  made.definition = *builder.build();
  return made;
}

class ChildForm final : public framework::WindowController {
 public:
  ChildForm(const Application& application, const ChildFormDescription& form,
            const framework::ProcedureCall& call)
      : application_(application), form_(form) {
    application.prepare(*this);
    DescribedForm described = describe(application, form);
    Describe(std::move(described.definition));
    PRIMARY = &application.dictionary.guard(form.file);
    ORIGINALREQUEST = call.request;
    VCRREQUEST = call.navigation;
    INSERTACTION = framework::kInsertClose;
    CHANGEACTION = 1;
    DELETEACTION = framework::kDeleteAsk;
    CANCELACTION = framework::kCancelAskSave;
    drops_.Init(*this, application.dictionary, described.drops);
  }

  framework::Level BeginUpdate() override {
    if (REQUEST == framework::kRequestInsert && !cardExists()) {
      // Another station has erased the card since its list opened: a record added now would
      // belong to no one, and to whoever is next given the number.
      ui::MessageBoxRequest gone;
      gone.caption = platform::ru("Запись не добавлена");
      gone.text = platform::ru("Карточки сотрудника Ид.№ ") + std::to_string(applicationGlobals().numg()) +
                  platform::ru(" больше нет: ее удалили на другой станции.");
      gone.icon = ui::kIconExclamation;
      engine().messageBox(gone);
      RESPONSE = framework::kResponseCancelled;
      return framework::kLevelNotify;
    }
    return WindowController::BeginUpdate();
  }

  void PresetFields() override {
    RecordAccess(application_.dictionary.file(form_.file))
        .setInteger(form_.employee, applicationGlobals().numg());
  }

  framework::Level OnAccepted(const ui::Event& event) override {
    for (const FormLine& line : lines()) {
      if (line.kind != LineKind::kChosen || event.control != controlOf(line) + kChildFormChooseOffset)
        continue;
      Update();
      if (line.choice.list == reference::kChoosePosition) {
        // The positions of the appointment's own department, when it names one.
        const std::int64_t department = record().integer("RAB:NUMO");
        if (department != 0) applicationGlobals().setNumber("numo", department);
      }
      chooseValues(application_, line.choice);
      Display();
      return framework::kLevelBenign;
    }
    const framework::Level accepted = WindowController::OnAccepted(event);
    const framework::FieldBinding* binding = bindingOf(event.control);
    if (accepted != framework::kLevelBenign || binding == nullptr || form_.computed == Computed::kNothing ||
        std::find(form_.from.begin(), form_.from.end(), binding->value.field->name) == form_.from.end())
      return accepted;
    if (form_.computed == Computed::kPeriodLength) {
      storePeriodLength(record());
      show({"TRU:STAGD", "TRU:STAGM", "TRU:STAGG"});
    } else {
      computeLeaveSums(record());
      show({"OTP:SROKS", "OTP:SROK_ITOG"});
    }
    return accepted;
  }

 private:
  std::span<const FormLine> lines() const {
    const auto end = std::find_if(form_.lines.begin(), form_.lines.end(),
                                  [](const FormLine& line) { return line.field.empty(); });
    return {form_.lines.begin(), end};
  }
  ui::ControlId controlOf(const FormLine& wanted) const {
    ui::ControlId id = kChildFormFirstField;
    for (const FormLine& line : lines()) {
      if (&line == &wanted) return id;
      id += line.kind == LineKind::kLength ? 4 : 1;
    }
    return 0;
  }
  RecordAccess record() const { return RecordAccess(application_.dictionary.file(form_.file)); }

  // Shows the computed fields, leaving what the clerk is typing elsewhere alone.
  void show(std::initializer_list<std::string_view> fields) {
    for (const framework::FieldBinding& binding : definition().bindings) {
      if (!binding.value.valid() || binding.value.field == nullptr) continue;
      if (std::find(fields.begin(), fields.end(), binding.value.field->name) != fields.end())
        engine().setValue(window(), binding.control, framework::shownText(binding));
    }
  }

  bool cardExists() {
    framework::TableManager& karta = application_.dictionary.manager("KARTA");
    if (karta.Open() != framework::kLevelBenign) return false;
    // The card form's buffer and watched record stay as they are.
    const std::int32_t saved = karta.SaveFileState();
    RecordAccess(application_.dictionary.file("KARTA")).setInteger("KAR:NUM", applicationGlobals().numg());
    const bool found = karta.Fetch(application_.dictionary.file("KARTA").key("KAR:NUM_KEY")) == 0;
    karta.RestoreFileState(saved, true);
    karta.Close();
    return found;
  }

  const Application& application_;
  const ChildFormDescription& form_;
  ReferenceDrops drops_;
};

}  // namespace

std::uint8_t runChildForm(const Application& application, const ChildFormDescription& form,
                          const framework::ProcedureCall& call) {
  ChildForm window(application, form, call);
  return window.Run();
}

}  // namespace veltrano::app::card
