// Reads a file declaration in the source form that dumpDeclaration() writes:
//
//   declaration -> fileline { keyline | memoline } "RECORD" { field } "END" "END"
//   fileline    -> LABEL "FILE" { "," attribute }      DRIVER('…'[,'…']) NAME('…') OWNER(…)
//                                                       CREATE ENCRYPT RECLAIM THREAD OEM
//   keyline     -> LABEL ("KEY" | "INDEX") "(" [+|-]field { "," [+|-]field } ")" { "," keyattr }
//   memoline    -> LABEL ("MEMO(n)" | "BLOB") { "," (NAME('…') | BINARY) }
//   field       -> LABEL type [ "," DIM(n{,n}) ] [ "," OVER(label) ] [ "," NAME('…') ]
//                | LABEL "GROUP" … { field } "END"
//
// A label starts in the first column and is followed by blanks; a line without a label starts
// with a blank. Keywords are read without regard to case. Blank lines and lines whose text
// starts with "!" are ignored. Text is code page 1251.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "storage/declared_file.h"

namespace veltrano::storage {

// The declared file, or null with "line N: reason" in *error.
std::unique_ptr<DeclaredFile> parseDeclaration(std::string_view text, std::string* error);

}  // namespace veltrano::storage
