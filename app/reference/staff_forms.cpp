#include "app/reference/staff_forms.h"

#include <array>
#include <string>
#include <vector>

#include "app/dictionary/record_access.h"
#include "app/reference/captioned_button.h"
#include "app/reference/file_fields.h"
#include "app/reference/reference_form.h"
#include "app/reference/reference_list.h"
#include "app/reference/selection_lists.h"
#include "framework/browse/browse_manager.h"
#include "framework/browse/popup_menu.h"
#include "framework/window/window_builder.h"
#include "platform/codepage.h"

namespace veltrano::app::reference {
namespace {

using platform::ru;

constexpr int kPromptWidth = 200;
constexpr int kListTop = 40;
constexpr int kListRows = 8;
// Below the list: a gap, the row of "Ввод" and "Отмена", and the window's frame.
constexpr int kFormBottom = 8 + 26 + 8 + 40;

// A form over one level of the schedule with the level below it in a list.
struct LevelForm {
  std::uint16_t number;
  std::string_view label;
  std::string_view caption;
  std::string_view file;
  std::string_view prompt;
  std::string_view name_field;
  std::string_view name_key;
  std::string_view scope_field;  // the name may not repeat among records with this field equal
  std::string_view below_file;
  std::string_view below_key;
  std::string_view below_link;  // the field of the level below that names this record
  std::string_view link;        // this record's field it names
  std::string_view below_format;
  std::array<std::string_view, 3> below_columns;
  std::array<std::string_view, 3> below_buttons;  // insert, change, delete
  std::uint16_t below_form;
};

constexpr LevelForm kSubdivision{3,
                                 "BolnicaUp",
                                 "Update the bolnica File",
                                 "BOLNICA",
                                 "Подразделение:",
                                 "BOL:NOM",
                                 "BOL:NOM_KEY",
                                 "",
                                 "OTDELENI",
                                 "OTD:NUM_KEY",
                                 "OTD:NUM",
                                 "BOL:NUM",
                                 "80L(2)|M~Отделение~C(0)@s60@",
                                 {"OTD:NOM"},
                                 {"&Добавить отделение", "&Изменить", "&Удалить отделение"},
                                 4};
constexpr LevelForm kDepartment{
    4,
    "OtdelenieUp",
    "Update the otdelenie File",
    "OTDELENI",
    "Отделение:",
    "OTD:NOM",
    "OTD:NOM_KEY",
    "OTD:NUM",
    "POSTT",
    "POS:NUMO_KEY",
    "POS:NUMO",
    "OTD:NUMO",
    "134L(2)|M~Должность~C(0)@s60@23R(2)|M~штат~D@n_5`2b@20R(2)|M~занято~C(0)@n_5`2b@",
    {"POS:NOM", "POS:KOL", "POS:KOLV"},
    {"&Добавить", "&Изменить", "&Удалить"},
    5};

class LevelFormController final : public ReferenceForm {
 public:
  framework::Level OnEvent(const ui::Event& event) override {
    // What the clerk typed goes into the record before the form below runs, so that the form
    // shows it again when the clerk comes back.
    if (event.control >= kStaffLevelBelow && event.control <= kStaffDeleteBelow) Update();
    return ReferenceForm::OnEvent(event);
  }
};

std::vector<framework::FieldRef> scopeOf(storage::DeclaredFile& file, std::string_view field) {
  if (field.empty()) return {};
  return {fileField(file, field)};
}

std::uint8_t runLevelForm(const Application& application, const LevelForm& level,
                          const framework::ProcedureCall& call) {
  Dictionary& dictionary = application.dictionary;
  storage::DeclaredFile& file = dictionary.file(level.file);
  storage::DeclaredFile& below = dictionary.file(level.below_file);
  framework::WindowBuilder builder("veltrano$" + procedureName(level.number), level.label, level.caption);
  builder.promptWidth(110);
  builder.entry(kStaffName, level.prompt, framework::BoundRecord::of(file.file()), level.name_field, "@s60")
      .required();
  const std::string format = ru(level.below_format);
  const int list_width = std::max(listWidth(format), 420);
  builder.list(kStaffLevelBelow, level.below_format, {8, kListTop, list_width, 22 + kListRows * 18});
  int y = kListTop;
  int widest = 0;
  for (std::size_t index = 0; index < level.below_buttons.size(); ++index) {
    const ui::ControlDescription button =
        captionedButton(kStaffInsertBelow + static_cast<ui::ControlId>(index), level.below_buttons[index],
                        16 + list_width, y);
    widest = std::max(widest, button.at.width);
    builder.control(button);
    y += 32;
  }
  // The buttons beside the list are the builder's to leave out of the window's size; the name's
  // entry (sixty letters) spans the list and its buttons.
  builder.size(std::max(16 + list_width + 8 + widest + 8, 110 + 8 + 60 * 7 + 12 + 16),
               kListTop + 22 + kListRows * 18 + kFormBottom);
  builder.okButton(kStaffOk, "Ввод").cancelButton(kStaffCancel, "Отмена");

  LevelFormController form;
  application.prepare(form);
  form.Describe(*builder.build());
  form.PRIMARY = &dictionary.guard(level.file);
  setUpdateActions(form, call);
  form.RefuseRepeats(file.key(level.name_key), scopeOf(file, level.scope_field), kStaffName);
  form.AddFile(&dictionary.guard(level.below_file));

  framework::BrowseManager browse;
  browse.Init(kStaffLevelBelow, framework::ViewDefinition{{}, {&below.file()}},
              &dictionary.guard(level.below_file), &form);
  browse.RegisterSortOrder(nullptr, below.key(level.below_key));
  browse.RegisterRange(fileField(below, level.below_link), framework::kLimitFile,
                       {fileField(file, level.link)});
  for (std::string_view column : level.below_columns) {
    if (!column.empty()) browse.AddField(fileField(below, column));
  }
  browse.INSERTCONTROL = kStaffInsertBelow;
  browse.CHANGECONTROL = kStaffChangeBelow;
  browse.DELETECONTROL = kStaffDeleteBelow;
  browse.ASKPROCEDURE = level.below_form;
  framework::PopupMenu popup;
  browse.POPUP = &popup;
  // The record being edited is the first thing the clerk types, not the list below it.
  form.FIRSTFIELD = kStaffName;
  return form.Run();
}

class PositionFormController final : public ReferenceForm {
 public:
  explicit PositionFormController(const Application& application) : application_(application) {}

  framework::Level OnAccepted(const ui::Event& event) override {
    if (event.control != kPositionChoose) return ReferenceForm::OnAccepted(event);
    // The position's title from the list of positions by the schedule.
    Update();
    if (choose(application_, kStaffPositions)) {
      RecordAccess(application_.dictionary.file("POSTT"))
          .setText("POS:NOM", RecordAccess(application_.dictionary.file("DOLGNOST")).text("DOL:NOM"));
      Display();
      SelectControl(kPositionUnits);
    } else {
      SelectControl(kStaffName);
    }
    return framework::kLevelBenign;
  }

 private:
  const Application& application_;
};

}  // namespace

std::uint8_t runSubdivisionForm(const Application& application, const framework::ProcedureCall& call) {
  return runLevelForm(application, kSubdivision, call);
}

std::uint8_t runDepartmentForm(const Application& application, const framework::ProcedureCall& call) {
  return runLevelForm(application, kDepartment, call);
}

std::uint8_t runPositionForm(const Application& application, const framework::ProcedureCall& call) {
  Dictionary& dictionary = application.dictionary;
  storage::DeclaredFile& postt = dictionary.file("POSTT");
  const framework::BoundRecord record = framework::BoundRecord::of(postt.file());
  framework::WindowBuilder builder("veltrano$VELTR005", "PostUp", "Update the post File");
  builder.promptWidth(kPromptWidth);
  builder.entry(kStaffName, "Должность:", record, "POS:NOM", "@s60").required();
  builder.control(captionedButton(kPositionChoose, "...", 0, 0)).at({kPromptWidth + 8 + 404, 8, 30, 22});
  builder.entry(kPositionUnits, "Количество ставок:", record, "POS:KOL", "@n_5`2b");
  builder.entry(kPositionOccupied, "Количество занятых ставок:", record, "POS:KOLV", "@n_5`2b");
  // Three lines of fields, then the row of "Ввод" and "Отмена".
  builder.size(kPromptWidth + 8 + 404 + 30 + 16, 8 + 3 * 26 + kFormBottom);
  builder.okButton(kStaffOk, "Ввод").cancelButton(kStaffCancel, "Отмена");
  framework::WindowDefinition definition = *builder.build();
  for (ui::ControlDescription& control : definition.window.controls) {
    if (control.id == kStaffName) control.at.width = 400;
  }

  PositionFormController form(application);
  application.prepare(form);
  form.Describe(std::move(definition));
  form.PRIMARY = &dictionary.guard("POSTT");
  setUpdateActions(form, call);
  form.RefuseRepeats(postt.key("POS:NOM_KEY"), {fileField(postt, "POS:NUMO")}, kStaffName);
  return form.Run();
}

}  // namespace veltrano::app::reference
