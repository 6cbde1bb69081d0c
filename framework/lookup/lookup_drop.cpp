#include "framework/lookup/lookup_drop.h"

#include <algorithm>
#include <charconv>

#include "framework/window/window_controller.h"
#include "runtime/errors/error_state.h"
#include "runtime/picture/picture.h"
#include "runtime/values/field_value.h"
#include "storage/driver.h"

namespace veltrano::framework {
namespace {

// How a column shows its field: through the field's declared picture, else as its text,
// without the padding either leaves.
class ColumnText {
 public:
  explicit ColumnText(const FieldRef& field) : field_(field) {
    if (field.valid() && !field.field->picture.empty()) {
      picture_ = runtime::compilePicture(field.field->picture);
      pictured_ = picture_.valid();
    }
  }
  std::string operator()() const {
    std::string text = runtime::loadText(*field_.field, field_.record);
    if (pictured_) text = runtime::formatPicture(text, picture_);
    std::size_t end = text.find_last_not_of(' ');
    if (end == std::string::npos) return {};
    std::size_t start = pictured_ ? text.find_first_not_of(' ') : 0;
    return text.substr(start, end + 1 - start);
  }

 private:
  FieldRef field_;
  runtime::CompiledPicture picture_;
  bool pictured_ = false;
};

}  // namespace

void LookupDrop::Init(ui::ControlId list_control, ViewDefinition view, runtime::Queue* list_queue,
                      RelationGuard* primary, WindowController* window) {
  ViewManager::Init(std::move(view), primary);
  LISTCONTROL = list_control;
  LISTQUEUE = list_queue;
  WINDOW = window;
  LOADED = 0;
}

void LookupDrop::AddField(FieldRef view_field, FieldRef list_field) {
  DISPLAYFIELDS.AddPair(view_field, list_field);
}

void LookupDrop::RegisterUpdateField(FieldRef view_field, FieldRef form_field) {
  UPDATEFIELDS.AddPair(view_field, form_field);
}

ui::WindowId LookupDrop::window() const {
  return WINDOW != nullptr ? WINDOW->window() : 0;
}

const std::string& LookupDrop::RowText(int row, int column) const {
  static const std::string kNone;
  if (row < 1 || row > rows()) return kNone;
  const auto& columns = texts_[static_cast<std::size_t>(row - 1)];
  if (column < 1 || column > static_cast<int>(columns.size())) return kNone;
  return columns[static_cast<std::size_t>(column - 1)];
}

bool LookupDrop::ReloadQueue() {
  TableManager* file = PRIMARY != nullptr ? PRIMARY->ME : nullptr;
  if (file == nullptr || LISTQUEUE == nullptr) return false;
  images_.clear();
  texts_.clear();
  pointers_.clear();
  LISTQUEUE->free();
  LOADED = 1;
  // Reading the view moves through the reference file's buffer; what the form had there comes
  // back afterwards.
  const std::int32_t kept = file->SnapshotRecord();
  std::vector<ColumnText> columns;
  for (const FieldPairList::Pair& pair : DISPLAYFIELDS.pairs()) columns.emplace_back(pair.RIGHT);
  if (!guard_opened_) guard_opened_ = PRIMARY->Open() == kLevelBenign;
  bool read_all = guard_opened_ && Open() == kLevelBenign;
  if (read_all) {
    Reset();
    for (;;) {
      const Level level = Next();
      if (level == kLevelNotify) break;
      if (level != kLevelBenign) {
        read_all = false;
        break;
      }
      images_.emplace_back(file->BUFFER.begin(), file->BUFFER.end());
      pointers_.push_back(
          static_cast<std::uint32_t>(storage::fileStatement(storage::Operation::PointerFile, *file->FILE)));
      DISPLAYFIELDS.LeftToRight();
      LISTQUEUE->add();
      std::vector<std::string> shown;
      shown.reserve(columns.size());
      for (const ColumnText& column : columns) shown.push_back(column());
      texts_.push_back(std::move(shown));
    }
  }
  file->RestoreSnapshot(kept, true);
  ui::windowEngine().setRows(window(), LISTCONTROL, texts_);
  return read_all;
}

void LookupDrop::TakeRow(int row, bool sync) {
  TableManager* file = PRIMARY != nullptr ? PRIMARY->ME : nullptr;
  if (file == nullptr || row < 1 || row > rows()) return;
  const auto index = static_cast<std::size_t>(row - 1);
  const auto& image = images_[index];
  LISTQUEUE->get(row);
  if (sync) {
    // The record itself is read again, memos and all, and becomes the file's current record; a
    // record another station removed meanwhile leaves the list's copy in the buffer.
    storage::OperationArguments get;
    get.pointer = pointers_[index];
    storage::fileStatement(storage::Operation::GetFilePtr, *file->FILE, get);
    if (runtime::errorCode() == 0) {
      VIEWPOSITION = file->CurrentPosition();
    } else if (image.size() == file->BUFFER.size()) {
      std::copy(image.begin(), image.end(), file->BUFFER.begin());
    }
    UPDATEFIELDS.LeftToRight();
    return;
  }
  const std::int32_t kept = file->SnapshotRecord();
  if (image.size() == file->BUFFER.size()) std::copy(image.begin(), image.end(), file->BUFFER.begin());
  UPDATEFIELDS.LeftToRight();
  file->RestoreSnapshot(kept, true);
}

int LookupDrop::rowOfBuffer() const {
  const TableManager* file = PRIMARY != nullptr ? PRIMARY->ME : nullptr;
  if (file == nullptr) return 0;
  for (std::size_t index = 0; index < images_.size(); ++index) {
    if (std::equal(images_[index].begin(), images_[index].end(), file->BUFFER.begin(), file->BUFFER.end())) {
      return static_cast<int>(index) + 1;
    }
  }
  return 0;
}

void LookupDrop::ShowSelection(int row) {
  ui::WindowEngine& engine = ui::windowEngine();
  if (!engine.setComboRow(window(), LISTCONTROL, row))
    engine.setValue(window(), LISTCONTROL, std::to_string(row));
}

void LookupDrop::SelectInitialRow() {
  // The row whose values the form fields hold already.
  TableManager* file = PRIMARY != nullptr ? PRIMARY->ME : nullptr;
  int found = 0;
  if (file != nullptr && !UPDATEFIELDS.empty()) {
    const std::int32_t kept = file->SnapshotRecord();
    for (int row = 1; row <= rows() && found == 0; ++row) {
      const auto& image = images_[static_cast<std::size_t>(row - 1)];
      if (image.size() == file->BUFFER.size()) std::copy(image.begin(), image.end(), file->BUFFER.begin());
      if (UPDATEFIELDS.Equal()) found = row;
    }
    file->RestoreSnapshot(kept, true);
  }
  if (found == 0 && DEFAULTFILL != 0 && rows() > 0) {
    found = 1;
    TakeRow(found, INITSYNCPAIR != 0);
  } else if (found != 0 && INITSYNCPAIR != 0) {
    TakeRow(found, true);
  }
  ShowSelection(found);
}

Level LookupDrop::OnEvent(const ui::Event& event) {
  // The window's opening fills the list through the controller's Reset.
  if (event.window != window() || event.control != LISTCONTROL) return kLevelBenign;
  ui::WindowEngine& engine = ui::windowEngine();
  switch (event.code) {
    case ui::event::kDroppingDown:
      if (LOADED == 0) ReloadQueue();
      break;
    case ui::event::kNewSelection: {
      std::optional<int> row = engine.comboRow(window(), LISTCONTROL);
      if (!row) {
        std::string value = engine.value(window(), LISTCONTROL).value_or("0");
        int number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        row = number;
      }
      TakeRow(*row, false);
      break;
    }
    default: break;
  }
  return kLevelBenign;
}

void LookupDrop::Reset(bool force) {
  if (force || LOADED == 0) ReloadQueue();
  SelectInitialRow();
}

void LookupDrop::Kill() {
  images_.clear();
  texts_.clear();
  pointers_.clear();
  if (LISTQUEUE != nullptr) LISTQUEUE->free();
  LOADED = 0;
  ViewManager::Kill();
  if (guard_opened_) PRIMARY->Close();
  guard_opened_ = false;
}

}  // namespace veltrano::framework
