// Employee cards shaped like KARTA, made deterministically from a seed, for the storage
// benchmark: the same cards go into our engine (as record images in code page 1251) and into
// SQLite (as UTF-8 columns without the blank padding), so both sides hold identical data.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/values/record_layout.h"
#include "storage/declared_file.h"

namespace veltrano::bench {

// KARTA as the application declares it: the dictionary's fields, keys (OPT and NOCASE, the
// number key unique) and memo, created when missing, strings kept in the OEM code page.
std::unique_ptr<storage::DeclaredFile> declareKarta(const std::string& path);

class CardMaker {
 public:
  explicit CardMaker(const runtime::RecordLayout& layout, std::uint64_t seed = 20020401);

  // Fills `record` (cleared first) and `memo` with card number `number`.
  void fill(std::int64_t number, std::span<std::uint8_t> record, std::vector<std::uint8_t>& memo);
  // A position name ("Врач-терапевт участковый" and the like) in code page 1251, for updates.
  std::string position();

 private:
  void text(std::span<std::uint8_t> record, const char* field, const std::string& value,
            std::uint32_t element = 0);
  void number(std::span<std::uint8_t> record, const char* field, std::int64_t value,
              std::uint32_t element = 0);
  std::int32_t date(int first_year, int last_year);
  const std::string& pick(const std::vector<std::string>& list);

  const runtime::RecordLayout* layout_;
  std::mt19937_64 random_;
};

// Whether a card is current (no dismissal date): what the filtered count looks for.
bool cardIsCurrent(const runtime::RecordLayout& layout, std::span<const std::uint8_t> record);

}  // namespace veltrano::bench
