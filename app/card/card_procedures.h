// Registers the employee list VELTR006, the card VELTR007 with its eight child lists and forms,
// and the dismissed list VELTR071 under their numbers: the main menu's "&Сотрудники" and
// "&Список уволенных сотрудников" become usable by this.
#pragma once

#include "app/frame/application.h"

namespace veltrano::app::card {

// REQUIRES: `application` outlives every call of the procedures registered.
void registerCardProcedures(Application& application);

}  // namespace veltrano::app::card
