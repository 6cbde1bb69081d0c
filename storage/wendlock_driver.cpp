#include "storage/wendlock_driver.h"

#include <optional>
#include <typeinfo>

#include "platform/profile.h"
#include "runtime/values/field_value.h"
#include "storage/declaration_check.h"
#include "storage/declaration_dump.h"
#include "storage/driver_commands.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_registration.h"
#include "storage/wendlock_station.h"
#include "storage/wendlock_tables.h"

namespace veltrano::storage {

TableShape tableShapeOf(const TableDefinition& definition, const runtime::RecordLayout& layout, bool oem) {
  TableShape shape;
  shape.record_size = layout.size();
  shape.oem = oem;
  shape.image = RecordImage(layout, oem);
  for (const auto& key : definition.keys) {
    std::vector<KeyComponent> components;
    for (const auto& component : key.components) {
      const auto& field = layout.field(component.position);
      components.push_back({field.type, field.offset, field.size,
                            field.element_size == 0 ? field.size : field.element_size, component.descending});
    }
    TableKeyShape key_shape;
    const bool nocase = (key.attributes & kStoredKeyNocase) != 0;
    key_shape.encoder = KeyEncoder(std::move(components), keyCharacterMap(nocase, oem));
    key_shape.label = key.name.value_or(std::string());
    key_shape.unique = (key.attributes & kStoredKeyDup) == 0;
    key_shape.opt = (key.attributes & kStoredKeyOpt) != 0;
    key_shape.dynamic = (key.attributes & kStoredKeyDynamic) != 0;
    shape.keys.push_back(std::move(key_shape));
  }
  for (const auto& memo : definition.memos) {
    shape.memos.push_back({memo.name.value_or(std::string()), (memo.attributes & 0x04) != 0,
                           (memo.attributes & 0x02) != 0, memo.size});
  }
  return shape;
}

WendlockDriver::WendlockDriver(StorageCatalog& catalog) : files_(catalog) {}

const DriverRegistration& WendlockDriver::registration() const {
  return wendlockRegistration();
}

WendlockState* WendlockDriver::stateOf(FileControlBlock& file) {
  // Asked several times by every file statement: the state's exact type is compared, which
  // costs less than a cast that would search a hierarchy (WendlockState is final).
  DriverState* state = file.state.get();
  return state != nullptr && typeid(*state) == typeid(WendlockState) ? static_cast<WendlockState*>(state)
                                                                     : nullptr;
}

const runtime::RecordLayout* WendlockDriver::layoutOf(FileControlBlock& file) {
  auto* state = stateOf(file);
  if (state != nullptr && state->own_layout) return state->own_layout.get();
  return file.layout;
}

std::span<std::uint8_t> WendlockDriver::recordOf(FileControlBlock& file) {
  auto* state = stateOf(file);
  if (state != nullptr && state->own_layout && file.record.size() != state->own_layout->size()) {
    return state->own_record;
  }
  return file.record;
}

OperationResult WendlockDriver::describe(FileControlBlock& file) {
  auto name = resolveFileName(file);
  if (!name) return {45, 0, 0};
  auto state = std::make_unique<WendlockState>();
  const std::string_view text = declaredFileName(file);
  state->table_given = text.find("\\!") != std::string_view::npos;
  state->name = std::move(*name);
  state->owner = file.owner.value_or(std::string());
  state->oem = (file.attributes & kFileOem) != 0;
  if (file.layout != nullptr) {
    if (const int error = checkDeclaration(file); error != 0) return {error, 0, 0};
    state->declared = definitionOf(file);
  }
  state->trace = DriverTraceSettings::read(platform::systemProfile(), (file.attributes & kFileEncrypt) != 0,
                                           file.driver_options);
  file.state = std::move(state);
  return {};
}

int WendlockDriver::endOperation(WendlockState& state) {
  if (!state.file || state.building || in_transaction_.count(state.file.get()) != 0) return 0;
  return state.file->writeUpdate();
}

OperationResult WendlockDriver::open(FileControlBlock& file, WendlockState& state,
                                     std::uint32_t access_mode) {
  if (state.open) return {52, 0, 0};
  int error = 0;
  const bool read_only = (access_mode & 0x3) == 0;
  auto shared = files_.acquire({state.name.path, state.owner, read_only, false}, &error);
  if (!shared)
    return error == 2 || error == 3 || error == 4 || error == 5 || error == 36 ? OperationResult{error, 0, 0}
                                                                               : OperationResult{0, 0, error};
  const OpenMode mode = OpenMode::decode(access_mode);
  StationFile* station = shared->station();
  if (station != nullptr) {
    if (const int refused = station->admit(mode); refused != 0) return {refused, 0, 0};
  }
  // Whatever fails below gives the table's admission back.
  struct Admission {
    StationFile* station;
    OpenMode mode;
    bool kept = false;
    ~Admission() {
      if (station != nullptr && !kept) station->leave(mode);
    }
  } admission{station, mode};
  std::optional<OperationLock> reading;
  if (station != nullptr) reading.emplace(station->gate(), false);
  shared->refresh();
  EntryTree& tree = shared->tree();
  const auto number = findTable(tree, state.name.table);
  if (!number) return {2, 0, 0};
  std::string problem;
  auto stored = readTableDefinition(tree, *number, &problem);
  if (!stored) fail(kFailureDefinition);
  const runtime::RecordLayout* layout = file.layout;
  if (state.declared) {
    if (!definitionsMatch(*stored, *state.declared)) return {47, 0, 0};
  } else {
    auto own = storage::layoutOf(*stored);
    if (!own) return {47, 0, 0};
    state.own_layout = std::make_unique<runtime::RecordLayout>(std::move(*own));
    state.own_record.assign(state.own_layout->size(), 0);
    runtime::clearRecord(*state.own_layout, state.own_record);
    layout = state.own_layout.get();
  }
  if (!state.declared && file.record.size() == layout->size()) {
    // The caller's buffer fits the stored record: use it.
  } else if (state.declared && file.record.size() != layout->size()) {
    return {47, 0, 0};
  }
  state.table = std::make_unique<WendlockTable>(tree, *number, tableShapeOf(*stored, *layout, state.oem));
  state.stored = std::move(stored);
  state.file = std::move(shared);
  state.read_only = read_only;
  state.mode = mode;
  admission.kept = true;
  state.open = true;
  return {};
}

void WendlockDriver::close(WendlockState& state) {
  letGoOfLocks(state);
  state.table.reset();
  if (state.file) {
    if (StationFile* station = state.file->station()) {
      // Another table of the file may still be open in this process and in the transaction.
      if (state.file.use_count() == 1) {
        transaction_.leave(*station);
        in_transaction_.erase(state.file.get());
      }
      station->leave(state.mode);
    } else {
      in_transaction_.erase(state.file.get());
    }
  }
  state.file.reset();
  state.open = false;
}

OperationResult WendlockDriver::build(WendlockState& state, Operation operation, int key) {
  if (state.read_only) return {5, 0, 0};
  state.recorded_build = operation;
  state.recorded_build_key = key;
  const int error = state.table->build(key, state.full_build);
  const int written = endOperation(state);
  if (error != 0) return {error, 0, 0};
  return written == 0 ? OperationResult{} : OperationResult{0, 0, written};
}

OperationResult WendlockDriver::buildClosed(Operation operation, FileControlBlock& file, WendlockState& state,
                                            OperationArguments& arguments) {
  // BUILD on a closed file opens it for the duration (read and write, others may only read).
  const auto opened = open(file, state, 0x22);
  if (opened.error != 0 || opened.os_error != 0) return opened;
  const auto built = onSharedTable(operation, file, state, arguments);
  close(state);
  return built;
}

OperationResult WendlockDriver::send(FileControlBlock& file, WendlockState& state,
                                     OperationArguments& arguments) {
  (void)file;
  const auto command = parseDriverCommand(arguments.text);
  switch (command.kind) {
    case DriverCommandKind::TcfQuery: arguments.result_text = transaction_file_; return {};
    case DriverCommandKind::TcfSet:
      transaction_file_ = command.path;
      arguments.result_text = transaction_file_;
      return {};
    case DriverCommandKind::FullBuildQuery:
      arguments.result_text = state.full_build ? "ON" : "OFF";
      return {};
    case DriverCommandKind::FullBuildSet:
      state.full_build = command.on;
      arguments.result_text = state.full_build ? "ON" : "OFF";
      return {};
    case DriverCommandKind::FlagsQuery:
      if (!state.open) return {37, 0, 0};
      arguments.result_text = std::to_string(state.table->flagsWord());
      return {};
    case DriverCommandKind::FlagsSet: {
      if (!state.open) return {37, 0, 0};
      if (state.read_only) return {5, 0, 0};
      if (!command.number) return {0, 0, 0};
      state.table->setFlagsWord(*command.number);
      arguments.result_text = std::to_string(*command.number);
      const int written = endOperation(state);
      return written == 0 ? OperationResult{} : OperationResult{0, 0, written};
    }
    case DriverCommandKind::TableName:
      if (!state.open) return {37, 0, 0};
      if (command.number) {
        for (const auto& table : listTables(state.file->tree())) {
          if (table.number == *command.number) arguments.result_text = table.name;
        }
      }
      return {};
    case DriverCommandKind::Register:
      arguments.result_text = std::to_string(reinterpret_cast<std::uintptr_t>(&wendlockRegistration()));
      return {};
    case DriverCommandKind::Unknown: return {};
  }
  return {};
}

OperationResult WendlockDriver::perform(Operation operation, FileControlBlock& file,
                                        OperationArguments& arguments) {
  auto* state = stateOf(file);
  if (state == nullptr) return {80, 0, 0};
  switch (operation) {
    case Operation::Open:
    case Operation::Share:
      return open(file, *state, operation == Operation::Share ? 0x42 : arguments.access_mode);
    case Operation::Close: close(*state); return {};
    case Operation::Create: return create(file, *state);
    case Operation::Remove: return remove(*state);
    case Operation::Copy: return copyOrRename(file, *state, arguments.text, false);
    case Operation::Rename: return copyOrRename(file, *state, arguments.text, true);
    case Operation::Send: return send(file, *state, arguments);
    case Operation::Name:
      arguments.result_text = state->name.path;
      if (state->table_given) arguments.result_text += "\\!" + state->name.table;
      return {};
    case Operation::BuildFile:
    case Operation::BuildKey:
      if (!state->open) return buildClosed(operation, file, *state, arguments);
      break;
    default: break;
  }
  if (!state->open) return {37, 0, 0};
  return onSharedTable(operation, file, *state, arguments);
}

}  // namespace veltrano::storage
