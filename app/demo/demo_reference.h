// The reference data of the demo set: names, places and the institution's reference books, in
// UTF-8 as written here (the generator converts what it stores to code page 1251).
#pragma once

#include <span>
#include <string_view>

namespace veltrano::app::demo {

enum class Role : unsigned char { Doctor, Nurse, Junior, Other };

struct Surname {
  std::string_view male;
  std::string_view female;
};
struct GivenName {
  std::string_view name;
  std::string_view son;       // patronymic of his son
  std::string_view daughter;  // and of his daughter
};
struct Profession {
  std::string_view name;
  std::string_view code;
  int form17_line;  // doctors 4–84, nurses 93–138, everyone else 140
  Role role;
  std::string_view speciality;  // the speciality it belongs to, empty for none
  std::string_view position;    // the staff-schedule position it is appointed to
};
struct Speciality {
  std::string_view name;
  std::string_view code;
  std::string_view form50_group;
};
struct Department {
  std::string_view subdivision;
  std::string_view name;
  std::span<const std::string_view> professions;  // who works there
};

std::span<const Surname> surnames();
std::span<const GivenName> maleNames();
std::span<const std::string_view> femaleNames();
std::span<const std::string_view> towns();
std::span<const std::string_view> streets();
std::span<const std::string_view> employers();
std::span<const std::string_view> schools(Role role);

std::span<const Profession> professions();
std::span<const Speciality> specialities();
std::span<const Department> departments();
const Profession* findProfession(std::string_view name);
const Speciality* findSpeciality(std::string_view name);

// The one-field lookup files with their entries, by file label.
struct LookupList {
  std::string_view file;
  std::span<const std::string_view> entries;
};
std::span<const LookupList> lookupLists();
std::span<const std::string_view> lookup(std::string_view file);

}  // namespace veltrano::app::demo
