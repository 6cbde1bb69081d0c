// The card's eight child lists (work history, appointments, further and professional training,
// attestations, certificates, leave, family), each the employee's records of one file in one
// date order with the buttons "&Выбрать", "&Добавить", "&Изменить", "&Удалить" and "Закрыть",
// and its entry form for insert, change and delete. The employee is the one in numg.
//
// After each request the form has handled (saved or cancelled), unless the form asked for the
// next record at once, a list whose records carry flags marks them again: the work history its
// three service flags, the others the latest record, which also gives the card its derived
// fields (current position, category, dates) in the KARTA buffer. The work-history list also
// shows the employee's five service totals under its rows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "app/computations/derived_records.h"
#include "app/frame/application.h"

namespace veltrano::app::card {

enum : ui::ControlId {
  kChildRows = 1,
  kChildSelect,
  kChildInsert,
  kChildChange,
  kChildDelete,
  kChildClose,
  kFirstTotal = 20,  // the work history's totals: days, months, years of each line in turn
};

enum class Recount : std::uint8_t {
  kNone,
  kWorkHistoryFlags,  // TRU:IND, TRU:IND1, TRU:IND2
  kLatestRecord,      // the list's flag and the card's fields of `latest`
};

struct ChildListDescription {
  std::uint16_t number = 0;
  std::string_view label;  // the window's settings section
  std::string_view caption;
  std::string_view file;
  std::string_view key;
  std::string_view filter;
  std::string_view format;
  std::array<std::string_view, 12> columns{};  // the field of each column, in order
  std::uint16_t form = 0;
  Recount recount = Recount::kNone;
  LatestRecordList latest = LatestRecordList::Appointments;
  bool totals = false;  // the five service totals under the list
};

std::span<const ChildListDescription> childLists();
const ChildListDescription* findChildList(std::uint16_t number);

std::uint8_t runChildList(const Application& application, const ChildListDescription& list,
                          const framework::ProcedureCall& call);

}  // namespace veltrano::app::card
