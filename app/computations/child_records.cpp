#include "app/computations/child_records.h"

#include <algorithm>

#include "app/dictionary/record_access.h"
#include "framework/driver_calls.h"

namespace veltrano::app::detail {

framework::Level firstOfEmployee(Dictionary& dictionary, const ChildFileWalk& walk, std::int64_t employee) {
  storage::DeclaredFile& file = dictionary.file(walk.file);
  RecordAccess fields(file);
  fields.clear(walk.number);
  fields.setInteger(walk.number, employee);
  const int code = framework::fileCall(storage::Operation::SetKeyKey, file.file(), file.key(walk.number_key));
  if (code != 0) return framework::kLevelFatal;
  return dictionary.manager(walk.file).NextQuiet();
}

bool belongsTo(Dictionary& dictionary, const ChildFileWalk& walk, std::int64_t employee) {
  return RecordAccess(dictionary.file(walk.file)).integer(walk.number) == employee;
}

ChildRecord currentRecord(Dictionary& dictionary, const ChildFileWalk& walk) {
  storage::DeclaredFile& file = dictionary.file(walk.file);
  storage::OperationArguments arguments;
  const std::int64_t pointer =
      storage::fileStatement(storage::Operation::PointerFile, file.file(), arguments);
  return {static_cast<std::int32_t>(RecordAccess(file).integer(walk.date)),
          static_cast<std::uint32_t>(pointer)};
}

void sortLatestFirst(std::vector<ChildRecord>& records) {
  std::sort(records.begin(), records.end(), [](const ChildRecord& a, const ChildRecord& b) {
    return a.date != b.date ? a.date > b.date : a.pointer > b.pointer;
  });
}

}  // namespace veltrano::app::detail

namespace veltrano::app {

int readChildRecord(Dictionary& dictionary, std::string_view file, std::uint32_t pointer) {
  storage::OperationArguments arguments;
  arguments.pointer = pointer;
  return framework::fileCall(storage::Operation::GetFilePtr, dictionary.file(file).file(), arguments);
}

}  // namespace veltrano::app
