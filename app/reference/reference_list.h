// A reference list: a browse over one file in one key order with the buttons "&Выбрать",
// "&Добавить", "&Изменить", "&Удалить" and "Закрыть" ("&Выбрать" and "Закрыть" for a list that
// only selects), a step locator or an entry locator, and its entry form called for insert,
// change and delete. Called in select mode (request 4) it returns 1 with the chosen record in
// the file's buffer when "&Выбрать" is pressed or a row double-clicked; otherwise "&Выбрать"
// stays disabled.
#pragma once

#include <cstdint>

#include "app/frame/application.h"
#include "app/reference/reference_descriptions.h"

namespace veltrano::app::reference {

// The list's controls, for tests that act as the clerk.
enum : ui::ControlId {
  kListLocator = 1,
  kListRows,
  kListSelect,
  kListInsert,
  kListChange,
  kListDelete,
  kListClose,
};

std::uint8_t runReferenceList(const Application& application, const ListDescription& list,
                              const framework::ProcedureCall& call);

// How wide a list must be to show every column of its format (code page 1251) at its width:
// the engine draws a format unit as a quarter more than a pixel.
int listWidth(std::string_view format);

}  // namespace veltrano::app::reference
