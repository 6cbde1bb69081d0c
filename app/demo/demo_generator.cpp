#include "app/demo/demo_generator.h"

#include <algorithm>
#include <cstdio>

#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app {

using demo::Role;
using platform::ru;

DemoGenerator::DemoGenerator(std::uint32_t seed, std::int32_t today) : engine_(seed), today_(today) {}

std::int64_t DemoGenerator::between(std::int64_t low, std::int64_t high) {
  if (high <= low) return low;
  // The engine's 32 bits scaled onto the range: the same values with every standard library,
  // unlike the library's distributions.
  const auto range = static_cast<std::uint64_t>(high - low) + 1;
  return low + static_cast<std::int64_t>((static_cast<std::uint64_t>(engine_()) * range) >> 32);
}

bool DemoGenerator::chance(double probability) {
  return static_cast<double>(engine_()) < probability * 4294967296.0;
}

std::int32_t DemoGenerator::addYears(std::int32_t date, std::int32_t years) {
  runtime::DateParts parts;
  if (date == 0 || runtime::partsFromSerial(date, parts) != 0) return date;
  const std::int32_t year = parts.year + years;
  const std::int32_t day = std::min(parts.day, runtime::daysInMonth(year, parts.month));
  return runtime::serialFromParts(year, parts.month, day);
}

DemoGenerator::Person DemoGenerator::person(bool male, std::int32_t youngest, std::int32_t oldest) {
  Person person;
  person.male = male;
  const demo::Surname& surname = pick(demo::surnames());
  person.surname = male ? surname.male : surname.female;
  const demo::GivenName& father = pick(demo::maleNames());
  person.name = male ? std::string(pick(demo::maleNames()).name) : std::string(pick(demo::femaleNames()));
  person.patronymic = male ? father.son : father.daughter;
  person.birth = dateBetween(addYears(today_, -oldest - 1) + 1, addYears(today_, -youngest));
  return person;
}

DemoGenerator::Person DemoGenerator::relative(const Person& of, bool male, std::int32_t birth,
                                              bool same_surname) {
  Person person = this->person(male, 0, 0);
  if (same_surname) {
    for (const auto& surname : demo::surnames()) {
      if (surname.male == of.surname || surname.female == of.surname)
        person.surname = male ? surname.male : surname.female;
    }
  }
  person.birth = birth;
  return person;
}

std::string DemoGenerator::passportNumber() {
  char text[24];
  std::snprintf(text, sizeof text, "%02d %02d %06d", static_cast<int>(between(1, 99)),
                static_cast<int>(between(0, 9)), static_cast<int>(between(0, 999999)));
  return text;
}

std::string DemoGenerator::insuranceNumber() {
  char text[24];
  std::snprintf(text, sizeof text, "%03d-%03d-%03d %02d", static_cast<int>(between(0, 999)),
                static_cast<int>(between(0, 999)), static_cast<int>(between(0, 999)),
                static_cast<int>(between(0, 99)));
  return text;
}

std::string DemoGenerator::phone() {
  char text[24];
  if (chance(0.5)) {
    std::snprintf(text, sizeof text, "%d-%02d-%02d", static_cast<int>(between(2, 7)),
                  static_cast<int>(between(0, 99)), static_cast<int>(between(0, 99)));
  } else {
    std::snprintf(text, sizeof text, "8-9%02d-%03d-%02d-%02d", static_cast<int>(between(0, 99)),
                  static_cast<int>(between(0, 999)), static_cast<int>(between(0, 99)),
                  static_cast<int>(between(0, 99)));
  }
  return text;
}

std::string DemoGenerator::address() {
  std::string text = std::string(chance(0.8) ? demo::towns()[0] : pick(demo::towns())) + ", " +
                     std::string(pick(demo::streets())) + ", д. " + std::to_string(between(1, 120));
  if (chance(0.8)) text += ", кв. " + std::to_string(between(1, 240));
  return text;
}

std::string DemoGenerator::diplomaNumber(Role role) {
  char text[32];
  static constexpr const char* kSeries[] = {"ЭВ", "ШВ", "УТ", "МО", "ПТ"};
  std::snprintf(text, sizeof text, "%s %07d", kSeries[role == Role::Doctor ? between(0, 2) : between(2, 4)],
                static_cast<int>(between(0, 9999999)));
  return text;
}

Role DemoGenerator::role() {
  const auto draw = between(0, 99);
  if (draw < 25) return Role::Doctor;
  if (draw < 65) return Role::Nurse;
  if (draw < 80) return Role::Junior;
  return Role::Other;
}

const demo::Profession& DemoGenerator::professionFor(Role role) {
  const auto all = demo::professions();
  std::size_t first = 0;
  std::size_t count = 0;
  for (std::size_t index = 0; index < all.size(); ++index) {
    if (all[index].role != role) continue;
    if (count == 0) first = index;
    ++count;
  }
  return all[first + static_cast<std::size_t>(between(0, static_cast<std::int64_t>(count) - 1))];
}

bool DemoGenerator::maleFor(Role role) {
  switch (role) {
    case Role::Doctor: return chance(0.4);
    case Role::Nurse: return chance(0.04);
    case Role::Junior: return chance(0.1);
    case Role::Other: return chance(0.45);
  }
  return false;
}

void DemoGenerator::fillPersonalFields(RecordAccess card, const Person& person, Role role,
                                       const demo::Profession& profession) {
  card.setText("KAR:FAM", ru(person.surname));
  card.setText("KAR:NOM", ru(person.name));
  card.setText("KAR:PER", ru(person.patronymic));
  card.setInteger("KAR:DATR", person.birth);
  card.setText("KAR:MESTO", ru(chance(0.6) ? demo::towns()[0] : pick(demo::towns())));
  card.setText("KAR:GRAGD", ru(chance(0.95) ? demo::lookup("GRAGD")[0] : pick(demo::lookup("GRAGD"))));
  const auto education = demo::lookup("OBRAZ");
  const auto level = role == Role::Doctor ? 0 : role == Role::Nurse ? 1 : between(1, 3);
  card.setText("KAR:OBRAZ", ru(education[static_cast<std::size_t>(level)]), 0);
  if (role == Role::Doctor) card.setText("KAR:OBRAZ", ru(pick(demo::lookup("POOBRAZ"))), 1);
  if (chance(0.1)) card.setText("KAR:OBRAZ", ru(pick(demo::lookup("DOOBRAZ"))), 2);
  card.setText("KAR:PROF", ru(profession.name), 0);
  card.setText("KAR:KOD_PROF", ru(profession.code), 0);
  if (chance(0.05)) {
    const demo::Profession& second = professionFor(role);
    card.setText("KAR:PROF", ru(second.name), 1);
    card.setText("KAR:KOD_PROF", ru(second.code), 1);
  }
  if (const demo::Speciality* speciality = demo::findSpeciality(profession.speciality)) {
    card.setText("KAR:PROF", ru(speciality->name), 2);
    card.setText("KAR:PROF", ru(speciality->form50_group), 3);
    card.setText("KAR:KOD_PROF", ru(speciality->code), 2);
  }
  const auto qualification = demo::lookup("KVALIF");
  card.setText("KAR:KVALIF",
               ru(role == Role::Doctor  ? qualification[0]
                  : role == Role::Nurse ? qualification[static_cast<std::size_t>(between(1, 4))]
                                        : qualification[static_cast<std::size_t>(between(5, 7))]));
  const std::int32_t graduated = addYears(person.birth, role == Role::Doctor  ? 23
                                                        : role == Role::Nurse ? 19
                                                                              : 18);
  if (role != Role::Junior || chance(0.3)) {
    card.setText("KAR:DIPLOM", ru(diplomaNumber(role)));
    card.setInteger("KAR:DATD", dateBetween(graduated, graduated + 60));
    card.setText("KAR:MESTO_UCHEBY", ru(pick(demo::schools(role))), 0);
    const auto faculties = demo::lookup("FAK");
    card.setText("KAR:FAK",
                 ru(role == Role::Doctor  ? faculties[static_cast<std::size_t>(between(0, 2))]
                    : role == Role::Nurse ? faculties[static_cast<std::size_t>(between(3, 4))]
                                          : faculties[5]),
                 0);
  }
  card.setInteger("KAR:TRUD", role == Role::Doctor && chance(0.15) ? 1 : 0, 0);
  card.setInteger("KAR:TRUD", role == Role::Doctor && chance(0.03) ? 1 : 0, 1);
  const auto family = demo::lookup("SEMJA");
  // The list pairs each state's male and female wording.
  card.setText("KAR:SEMJA",
               ru(family[static_cast<std::size_t>(between(0, 2)) * 2 + (person.male ? 0u : 1u)]));
  card.setText("KAR:PASE", ru(passportNumber()));
  card.setText("KAR:PASE_VYD", ru(pick(demo::lookup("PASE"))));
  const std::int32_t age20 = addYears(person.birth, 20);
  const std::int32_t age45 = addYears(person.birth, 45);
  // A passport is exchanged at 20 and at 45.
  const std::int32_t issued = age45 <= today_ ? age45 : age20 <= today_ ? age20 : addYears(person.birth, 14);
  card.setInteger("KAR:PASE_DAT", std::min(today_, dateBetween(issued, issued + 40)));
  const std::string home = address();
  card.setText("KAR:ADRES", ru(home), 0);
  card.setText("KAR:ADRES", ru(chance(0.85) ? home : address()), 1);
  card.setText("KAR:TELEFON", ru(phone()));
  if (person.male || (role == Role::Doctor && chance(0.3))) {
    card.setText("KAR:ZVANIE", ru(person.male ? pick(demo::lookup("ZVANIE")) : demo::lookup("ZVANIE")[3]));
    card.setText("KAR:VUS", std::to_string(between(100, 999)));
    card.setText("KAR:GODEN", ru(pick(demo::lookup("GODEN"))));
    card.setText("KAR:VOENKOMAT", ru(pick(demo::lookup("VOENKOMA"))));
  }
  if (chance(0.07)) {
    card.setText("KAR:NAGRADA", ru(chance(0.5) ? "Почетная грамота Минздрава" : "Отличник здравоохранения"));
  }
  card.setInteger("KAR:DOP_MASH", chance(0.2) ? 1 : 0, 0);
  card.setInteger("KAR:DOP_MASH", chance(0.5) ? 1 : 0, 1);
  card.setInteger("KAR:DOP_MASH", chance(0.02) ? 1 : 0, 2);
  if (chance(person.male ? 0.6 : 0.25)) {
    card.setInteger("KAR:DOP_MASH", 1, 3);
    card.setText("KAR:PRAVA", chance(0.8) ? "B" : "B, C");
  }
  card.setInteger("KAR:POL", person.male ? 1 : 0);
  const auto nationalities = demo::lookup("NACI");
  const auto nation = static_cast<std::size_t>(chance(0.85) ? 0 : between(1, 3));
  card.setText("KAR:NACI", ru(nationalities[nation * 2 + (person.male ? 0 : 1)]));
  card.setText("KAR:STRACH", insuranceNumber());
}

void DemoGenerator::fillKartaRecord(RecordAccess card, std::int64_t number) {
  card.clearAll();
  const Role chosen = role();
  const demo::Profession& profession = professionFor(chosen);
  const Person someone = person(maleFor(chosen), 20, 64);
  fillPersonalFields(card, someone, chosen, profession);
  card.setInteger("KAR:NUM", number);
  card.setInteger("KAR:DATA_ZAP", dateBetween(addYears(someone.birth, 20), today_));
  const demo::Department* department = nullptr;
  for (const auto& candidate : demo::departments()) {
    for (const auto name : candidate.professions) {
      if (name == profession.name && department == nullptr) department = &candidate;
    }
  }
  if (department != nullptr) {
    card.setText("KAR:STRUKT", ru(department->subdivision));
    card.setText("KAR:OTDELENIE", ru(department->name));
  }
  card.setText("KAR:POST", ru(profession.position));
  card.setText("KAR:PROFF", ru(profession.name));
  card.setInteger("KAR:STR", profession.form17_line);
  if (chosen == Role::Doctor || chosen == Role::Nurse) {
    card.setText("KAR:KATEGOR", ru(pick(demo::lookup("KOTEGOR"))));
    card.setInteger("KAR:DATAA", dateBetween(addYears(today_, -6), today_));
    card.setInteger("KAR:DATAS", dateBetween(addYears(today_, -6), today_));
    card.setInteger("KAR:DATAP", dateBetween(addYears(today_, -6), today_));
  }
  card.setInteger("KAR:SOVMESTITEL", chance(0.05) ? 1 : 0);
}

}  // namespace veltrano::app
