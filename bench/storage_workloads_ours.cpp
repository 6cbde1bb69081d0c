// The workloads on our engine, run as the program runs them: KARTA declared as the application
// declares it, opened read/write and shared with all (so every operation takes its locks), every
// record reached through file statements, and the bulk work between LOGOUT and COMMIT.
#include <cstring>
#include <filesystem>

#include "bench/karta_cards.h"
#include "bench/storage_workloads.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/values/field_value.h"
#include "runtime/view/runtime_view.h"
#include "storage/driver.h"
#include "storage/view_cursor.h"
#include "storage/wendlock_driver.h"

namespace veltrano::bench {
namespace {

using storage::Operation;
using storage::OperationArguments;

class OurEngine final : public Engine {
 public:
  ~OurEngine() override { finish(); }

  void start(const std::string& directory) override {
    finish();
    path_ = directory + "/KARTA.WLK";
    std::filesystem::remove(path_);
    karta_ = declareKarta(path_);
    karta_->setDriver(storage::wendlockDriver());
    layout_ = &karta_->layout();
    number_field_ = &layout_->field(static_cast<std::size_t>(layout_->find("KAR:NUM")));
    position_field_ = &layout_->field(static_cast<std::size_t>(layout_->find("KAR:POST")));
    number_key_ = karta_->key("KAR:NUM_KEY");
    name_key_ = karta_->key("KAR:FAM_KEY");
    statement(Operation::Create, "CREATE");
    OperationArguments open;
    open.access_mode = 0x42;
    statement(Operation::Open, "OPEN", open);
  }

  void finish() override {
    if (karta_ != nullptr) storage::fileStatement(Operation::Close, karta_->file());
    karta_.reset();
  }

  std::uint64_t fileBytes() override { return std::filesystem::file_size(path_); }

  void bulkLoad(const CardSet& cards, const WorkloadPlan& plan) override {
    logout();
    for (std::size_t card = 0; card < plan.bulk; ++card) add(cards, card);
    statement(Operation::Commit, "COMMIT");
  }

  void durableInserts(const CardSet& cards, const WorkloadPlan& plan) override {
    for (std::size_t card = plan.bulk; card < plan.bulk + plan.durable; ++card) add(cards, card);
  }

  std::int64_t randomReads(const WorkloadPlan& plan) override {
    std::int64_t found = 0;
    for (const std::int64_t number : plan.read_numbers) {
      if (getByNumber(number) == 0) ++found;
    }
    return found;
  }

  std::int64_t orderedScan() override {
    OperationArguments set;
    set.key = name_key_;
    statement(Operation::SetKey, "SET", set);
    std::int64_t rows = 0;
    for (;;) {
      storage::fileStatement(Operation::Next, karta_->file());
      const int error = runtime::errorCode();
      if (error == 33) break;
      if (error != 0) throw WorkloadError("NEXT gave error " + std::to_string(error));
      checksum_ += karta_->record()[position_field_->offset];
      ++rows;
    }
    return rows;
  }

  std::int64_t countCurrent() override {
    runtime::pushScope(false);
    storage::ViewCursor view;
    runtime::ViewDescriptor descriptor;
    std::int64_t count = -1;
    if (view.open(descriptor, {&karta_->file()}) == 0) {
      runtime::bindFileFields(storage::viewFileOf(karta_->file()));
      if (view.setFilter("KAR:data_uvol=''")) count = view.records();
    }
    view.close();
    runtime::popScope();
    return count;
  }

  std::int64_t scanDismissed() override {
    runtime::pushScope(false);
    storage::ViewCursor view;
    std::int64_t rows = -1;
    if (view.open(runtime::ViewDescriptor{}, {&karta_->file()}) == 0) {
      runtime::bindFileFields(storage::viewFileOf(karta_->file()));
      if (view.setOrder("+KAR:FAM,+KAR:NOM") && view.stepping() == storage::ViewCursor::Stepping::KeyOrder &&
          view.setFilter("KAR:data_uvol<>''")) {
        rows = 0;
        while (view.next() == 0) {
          checksum_ += karta_->record()[position_field_->offset];
          ++rows;
        }
      }
    }
    view.close();
    runtime::popScope();
    return rows;
  }

  void updatePositions(const WorkloadPlan& plan) override {
    logout();
    for (std::size_t i = 0; i < plan.update_numbers.size(); ++i) {
      if (getByNumber(plan.update_numbers[i]) != 0) throw WorkloadError("a card to change is missing");
      runtime::storeText(*position_field_, karta_->record(), plan.new_positions[i]);
      statement(Operation::Put, "PUT");
    }
    statement(Operation::Commit, "COMMIT");
  }

  void deleteCards(const WorkloadPlan& plan) override {
    logout();
    for (const std::int64_t number : plan.delete_numbers) {
      if (getByNumber(number) != 0) throw WorkloadError("a card to delete is missing");
      statement(Operation::Delete, "DELETE");
    }
    statement(Operation::Commit, "COMMIT");
  }

  PageCounts pageCounts() override {
    const auto* state = karta_ != nullptr ? storage::WendlockDriver::stateOf(karta_->file()) : nullptr;
    if (state == nullptr || !state->file) return {};
    const storage::CacheCounts counts = state->file->cacheCounts();
    return {counts.hits, counts.loads};
  }

  std::int64_t cardCount() override {
    const std::int64_t count = storage::fileStatement(Operation::RecordsFile, karta_->file());
    return runtime::errorCode() == 0 ? count : -1;
  }

 private:
  void statement(Operation operation, const char* name, OperationArguments& arguments) {
    storage::fileStatement(operation, karta_->file(), arguments);
    if (const int error = runtime::errorCode())
      throw WorkloadError(std::string(name) + " gave error " + std::to_string(error) + " " +
                          runtime::errorText80());
  }
  void statement(Operation operation, const char* name) {
    OperationArguments none;
    statement(operation, name, none);
  }

  void logout() {
    OperationArguments arguments;
    arguments.files.push_back(&karta_->file());
    statement(Operation::Logout, "LOGOUT", arguments);
  }

  void add(const CardSet& cards, std::size_t card) {
    const auto image = cards.image(card);
    std::memcpy(karta_->record().data(), image.data(), image.size());
    karta_->file().memo_values[0] = cards.memos[card];
    statement(Operation::Add, "ADD");
  }

  int getByNumber(std::int64_t number) {
    runtime::storeInteger(*number_field_, karta_->record(), number);
    OperationArguments get;
    get.key = number_key_;
    storage::fileStatement(Operation::GetFileKey, karta_->file(), get);
    const int error = runtime::errorCode();
    if (error == 0) checksum_ += karta_->record()[position_field_->offset];
    return error;
  }

  std::string path_;
  std::unique_ptr<storage::DeclaredFile> karta_;
  const runtime::RecordLayout* layout_ = nullptr;
  const runtime::FieldDescriptor* number_field_ = nullptr;
  const runtime::FieldDescriptor* position_field_ = nullptr;
  const storage::KeyDescriptor* number_key_ = nullptr;
  const storage::KeyDescriptor* name_key_ = nullptr;
  std::uint64_t checksum_ = 0;
};

}  // namespace

std::unique_ptr<Engine> makeOurEngine() {
  return std::make_unique<OurEngine>();
}

}  // namespace veltrano::bench
