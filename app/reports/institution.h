// What the reports print about the institution itself: its name as the titles give it, its
// city, the date the lists of doctors and nurses are drawn up "по состоянию на", and the
// managers whose names stand under the signature lines.
//
// The institution's texts are kept in the settings file (section "Institution", UTF-8) where
// the clerk edits them in a small dialog of the "&Файл" menu; until then the texts the program
// has always printed stand. The managers' names come from the reference book RUK.
#pragma once

#include <cstdint>
#include <string>

#include "app/dictionary/dictionary.h"
#include "framework/window/settings_file.h"

namespace veltrano::app::reports {

inline constexpr std::string_view kInstitutionSection = "Institution";

// Texts in code page 1251.
struct InstitutionTexts {
  std::string name;  // after "Список сотрудников "
  std::string name_of;  // after "врачей " and "среднего медицинского персонала "
  std::string city;        // on the statistical forms
  std::int32_t as_of = 0;  // date serial: "по состоянию на 01.01.2004 г."

  bool operator==(const InstitutionTexts&) const = default;
};

InstitutionTexts defaultInstitutionTexts();
// An entry that is missing, or a date that does not read as one, keeps its default.
InstitutionTexts readInstitutionTexts(framework::SettingsFile& settings);
// False when the settings file could not be written.
bool writeInstitutionTexts(framework::SettingsFile& settings, const InstitutionTexts& texts);

// "по состоянию на 01.01.2004 г. "
std::string asOfText(const InstitutionTexts& texts);

// RUK holds one record; its names, code page 1251, blank when the book is empty or unreadable.
struct ManagerNames {
  std::string chief;             // RUK:GLAV "Главный врач"
  std::string deputy_medical;    // RUK:ZAML "Зам. по лечебной работе"
  std::string deputy_personnel;  // RUK:ZAMK "Зам. по кадрам"
};
ManagerNames readManagerNames(Dictionary& dictionary);

}  // namespace veltrano::app::reports
