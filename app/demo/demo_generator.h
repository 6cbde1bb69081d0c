// Realistic, reproducible values for demo data and benchmarks: Russian names in their male and
// female forms, birth dates, passports, addresses, education and the rest of a personnel card.
// The same seed and reference date give the same values on every run.
//
//   DemoGenerator generator(seed, today);
//   generator.fillKartaRecord(RecordAccess(layout, buffer), number);   // a whole KARTA record
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>

#include "app/demo/demo_reference.h"
#include "app/dictionary/record_access.h"

namespace veltrano::app {

class DemoGenerator {
 public:
  // `today`: the date serial the data is laid out around (hiring, ages, leave years).
  DemoGenerator(std::uint32_t seed, std::int32_t today);

  std::int32_t today() const { return today_; }

  // A whole number in [low, high]; `low` when high < low.
  std::int64_t between(std::int64_t low, std::int64_t high);
  bool chance(double probability);
  template <typename T>
  const T& pick(std::span<const T> values) {
    return values[static_cast<std::size_t>(between(0, static_cast<std::int64_t>(values.size()) - 1))];
  }
  // A date in [first, last] (serials).
  std::int32_t dateBetween(std::int32_t first, std::int32_t last) {
    return static_cast<std::int32_t>(between(first, last));
  }
  // The same day `years` later (28 February for 29 February in a year without it).
  static std::int32_t addYears(std::int32_t date, std::int32_t years);

  struct Person {
    bool male = false;
    std::string surname;  // UTF-8
    std::string name;
    std::string patronymic;
    std::int32_t birth = 0;
  };
  // Someone aged `youngest`..`oldest` on today; `family` gives the surname's family.
  Person person(bool male, std::int32_t youngest, std::int32_t oldest);
  Person relative(const Person& of, bool male, std::int32_t birth, bool same_surname);

  std::string passportNumber();   // "45 02 123456"
  std::string insuranceNumber();  // "123-456-789 01", as the card's picture enters it
  std::string phone();
  std::string address();
  std::string diplomaNumber(demo::Role role);

  // The card's personal fields for someone of `role` with `profession` (everything but the
  // number, dismissal, part-time flag and the derived fields). Strings stored in code page 1251.
  void fillPersonalFields(RecordAccess card, const Person& person, demo::Role role,
                          const demo::Profession& profession);
  // A complete KARTA record, number and derived fields included, for storage benchmarks.
  void fillKartaRecord(RecordAccess card, std::int64_t number);

  // A role in the institution's proportions: doctors, nurses, junior staff, others.
  demo::Role role();
  const demo::Profession& professionFor(demo::Role role);
  bool maleFor(demo::Role role);

 private:
  std::mt19937 engine_;
  std::int32_t today_;
};

}  // namespace veltrano::app
