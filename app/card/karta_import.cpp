#include "app/card/karta_import.h"

#include <array>
#include <string_view>

#include "app/reference/file_fields.h"
#include "framework/driver_calls.h"
#include "runtime/errors/error_state.h"
#include "storage/declared_file.h"

namespace veltrano::app::card {
namespace {

// KA2:X goes into KAR:X.
constexpr std::array<std::string_view, 15> kSharedFields{
    "NUM",      "FAM",     "NOM",    "PER", "DATR",  "GRAGD",     "SEMJA", "PASE_VYD",
    "PASE_DAT", "TELEFON", "ZVANIE", "VUS", "GODEN", "VOENKOMAT", "NACI"};

// A file opened for the import and closed after it.
class Opened {
 public:
  explicit Opened(framework::TableManager& manager) : manager_(manager), ok_(manager.Open() == 0) {}
  ~Opened() {
    if (ok_) manager_.Close();
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  bool ok() const { return ok_; }

 private:
  framework::TableManager& manager_;
  bool ok_;
};

}  // namespace

ImportCount importFromKa2(Dictionary& dictionary) {
  ImportCount count;
  const Opened karta(dictionary.manager("KARTA"));
  const Opened ka2(dictionary.manager("KA2"));
  if (!karta.ok() || !ka2.ok()) return count;
  storage::DeclaredFile& from = dictionary.file("KA2");
  storage::DeclaredFile& to = dictionary.file("KARTA");
  framework::TableManager& cards = dictionary.manager("KARTA");
  storage::fileStatement(storage::Operation::SetFile, from.file());
  while (runtime::errorCode() == 0) {
    storage::fileStatement(storage::Operation::Next, from.file());
    if (runtime::errorCode() != 0) break;
    if (framework::loadNumber(reference::fileField(from, "KA2:NUM")).isZero()) continue;
    // Every other field of the new card starts empty: the buffer holds the card highlighted in
    // the list, whose address, dates and dismissal no imported employee shares.
    cards.ClearRecord();
    for (std::string_view name : kSharedFields) {
      framework::copyField(reference::fileField(to, "KAR:" + std::string(name)),
                           reference::fileField(from, "KA2:" + std::string(name)));
    }
    storage::fileStatement(storage::Operation::Add, to.file());
    if (runtime::errorCode() == 0) {
      ++count.added;
    } else {
      ++count.refused;
      runtime::clearErrors();
    }
  }
  cards.ClearRecord();
  return count;
}

}  // namespace veltrano::app::card
