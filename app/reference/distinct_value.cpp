#include "app/reference/distinct_value.h"

#include <cstdlib>
#include <vector>

#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
#include "runtime/values/text_compare.h"
#include "storage/driver.h"

namespace veltrano::app::reference {
namespace {

bool sameKey(const storage::KeyDescriptor& key, const runtime::RecordLayout& layout,
             std::span<std::uint8_t> a, std::span<std::uint8_t> b) {
  const bool nocase = (key.attributes & storage::kKeyNocase) != 0;
  for (const std::int32_t component : key.components) {
    const runtime::FieldDescriptor& field = layout.field(static_cast<std::size_t>(std::abs(component)) - 1);
    if (field.type == runtime::TypeCode::String) {
      const std::string left = runtime::loadText(field, a);
      const std::string right = runtime::loadText(field, b);
      if ((nocase ? runtime::compareTextNoCase(left, right) : runtime::compareText(left, right)) != 0)
        return false;
    } else if (!framework::sameValue(framework::FieldRef{&field, a}, framework::FieldRef{&field, b})) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool valueTaken(framework::TableManager& manager, const storage::KeyDescriptor& key,
                std::span<const framework::FieldRef> scope, const std::string& own_position) {
  storage::FileControlBlock& file = *manager.FILE;
  std::vector<std::uint8_t> wanted(manager.BUFFER.begin(), manager.BUFFER.end());
  std::vector<framework::FieldCopy> wanted_scope;
  for (const framework::FieldRef& field : scope) {
    framework::FieldCopy copy(field);
    framework::copyField(copy.ref(), field);
    wanted_scope.push_back(copy);
  }
  const std::int32_t state = manager.SaveFileState();
  bool taken = false;
  storage::OperationArguments set;
  set.key = &key;
  storage::fileStatement(storage::Operation::SetKeyKey, file, set);
  while (runtime::errorCode() == 0) {
    storage::fileStatement(storage::Operation::Next, file);
    if (runtime::errorCode() != 0 || !sameKey(key, *file.layout, manager.BUFFER, wanted)) break;
    bool in_scope = true;
    for (std::size_t index = 0; index < scope.size(); ++index) {
      if (!framework::sameValue(scope[index], wanted_scope[index].ref())) in_scope = false;
    }
    if (in_scope && manager.CurrentPosition() != own_position) {
      taken = true;
      break;
    }
  }
  manager.RestoreFileState(state, true);
  return taken;
}

}  // namespace veltrano::app::reference
