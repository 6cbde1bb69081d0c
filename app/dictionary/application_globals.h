// The application's global variables that filter expressions name: the employee and the
// department whose records a list shows, and the choices of the report dialogs.
//
//   numg        DECIMAL(7,0)  the employee whose child records are shown
//   numo        DECIMAL(5,0)  the subdivision or department chosen last
//   otdelenieg  STRING(60)    the department name chosen for restricted lists and reports
//   datan       STRING(20)    a year typed into a report dialog
//   datag       DATE          a date N years before today
//   st1, st2    LONG          the form No. 17 lines of the chosen role
//   katg        STRING(20)    the chosen category ("Без категории" as empty text)
//   profg       STRING(60)    the chosen profession
//   postg       STRING(60)    the chosen position
//   datanp      DATE          the first day of the period a form counts (form No. 51)
//   datakp      DATE          its last day
//   otborg      STRING(20)    the group chosen for the trade union's list ("Врачи", "Медсестры",
//                             "Санитары", "Другие")
//
// numg holds a whole employee number: KAR:NUM has seven digits, and a five-digit numg would
// make the child lists of employee 100000 and later show and write another employee's records.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/expr/binding_scopes.h"
#include "runtime/values/record_layout.h"

namespace veltrano::app {

class ApplicationGlobals {
 public:
  ApplicationGlobals();
  ApplicationGlobals(const ApplicationGlobals&) = delete;
  ApplicationGlobals& operator=(const ApplicationGlobals&) = delete;

  // Binds every global under its name in the scopes' current scope, so that filters read the
  // variables in place. False when a binding is refused.
  bool bindAll(runtime::BindingScopes& scopes = runtime::bindingScopes());

  // Values by the globals' names; an unknown name reads as 0 or empty and is not stored (false).
  std::int64_t number(std::string_view name) const;
  std::string text(std::string_view name) const;  // without trailing blanks
  bool setNumber(std::string_view name, std::int64_t value);
  bool setText(std::string_view name, std::string_view value);  // cut to the variable's length

  std::int64_t numg() const { return number("numg"); }
  void setNumg(std::int64_t employee) { setNumber("numg", employee); }

  const runtime::RecordLayout& layout() const { return layout_; }

 private:
  const runtime::FieldDescriptor* find(std::string_view name) const;

  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> values_;
};

// The program's one set.
ApplicationGlobals& applicationGlobals();

}  // namespace veltrano::app
