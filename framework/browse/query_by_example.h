// The query object: the clerk types example values for some fields of a browse, and the query
// turns them into a filter expression that the browse applies as its named filter "9 - QBE".
//
//   QueryByExample query;
//   query.Init(&browse);
//   query.AddItem("UPPER(KAR:FAM)", "Surname", "@s20");
//   query.AddItem("KAR:DATA_P", "Hired", "@d6.");
//   // the browse's query button (and its locate event):
//   if (query.Ask()) { browse.SetFilter(query.GetFilter(), "9 - QBE"); …refill… }
//
// Each field has three example values: a lower bound, an equal-or-pattern value and an upper
// bound. A pattern is an operator (">", "<", "~", "=" in front: "<1000", "<>Иванов") and a value;
// "*" in front asks for the text anywhere in the field, "*" at the end for the field to begin
// with it. Values persist between Ask calls until Reset; a cancelled Ask keeps the previous
// values, so the previous filter stays in force.
//
// A text field's values are quoted with every apostrophe doubled; the values of numbers, dates
// and times are read back through the field's picture first ("01.03.2001" under "@d6." is the
// date's serial), so what reaches the filter is a number. A value that reads as nothing gives a
// condition the view cannot take: the browse then says so (id 40) and shows every record.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "framework/translator.h"

namespace veltrano::framework {

class BrowseManager;

// A record of the query's queue of fields.
struct QueryField {
  std::string EXPRESSION;  // the field as written in filters ("KAR:FAM", "UPPER(KAR:FAM)")
  std::string TITLE;
  std::string PICTURE;
  char TYPE = 'S';  // "S" text (quoted); "N" a number, date or time
  std::string LOW;
  std::string EQUAL;  // the equal-or-pattern value
  std::string HIGH;
};

class QueryByExample {
 public:
  static constexpr std::size_t kValueWidth = 500;
  static constexpr std::size_t kFilterWidth = 5000;
  // The operators the window offers in front of a pattern value.
  static constexpr std::string_view kOperators[] = {"=", "<>", "~", "<", ">", "<>~"};

  QueryByExample() = default;
  virtual ~QueryByExample() = default;
  QueryByExample(const QueryByExample&) = delete;
  QueryByExample& operator=(const QueryByExample&) = delete;

  void Init(BrowseManager* browse);
  void Kill();
  // `picture` decides the type: a number, date or time picture makes a number field, anything
  // else (none, "@s", a pattern or key-in template) a text field.
  void AddItem(std::string_view expression, std::string_view title, std::string_view picture = {});
  // Shows the "Example values" window with OK and Cancel; true when OK was pressed, the values
  // then being those the clerk left.
  bool Ask();
  std::string GetFilter() const;
  void Reset();

  BrowseManager* BROWSE = nullptr;
  std::vector<QueryField> FIELDS;
  // How the window's texts are shown: Init takes the browse's window's translator; a caller
  // without a browse sets it.
  const Translator* TRANSLATOR = nullptr;
};

}  // namespace veltrano::framework
