// wlk select over a view: the primary table with joined tables and an order text. The plain
// select (select_command.cpp) hands over to it when --order or --join is given.
#pragma once

#include <string>
#include <vector>

#include "storage/declared_file.h"
#include "tools/wlk/commands.h"
#include "tools/wlk/record_output.h"

namespace veltrano::wlk {

// --join TARGET KEYLABEL FIELD[,FIELD...] [--inner]: the joined table, its key, and the
// primary's linking fields, the i-th paired with the key's i-th component.
struct JoinOption {
  std::string target;
  std::string key_label;
  std::vector<std::string> linking_fields;
  bool inner = false;
};

struct ViewSelect {
  std::string order;  // an order text; empty: the key's order, or record order
  std::string key_label;
  std::vector<JoinOption> joins;
  std::string filter;
  std::vector<std::string> fields;
  bool reverse = false;
};

// Splits "A,B,C" into its names, none of them empty; empty when the text has an empty name.
std::vector<std::string> linkingFieldNames(const std::string& text);

// Prints the view's combinations, one line each in `form`: the --field values, or every column
// of the primary and then of each joined table. Exit status as for the commands.
int selectThroughView(const CommonOptions& options, storage::DeclaredFile& primary, const ViewSelect& select,
                      const OutputForm& form);

}  // namespace veltrano::wlk
