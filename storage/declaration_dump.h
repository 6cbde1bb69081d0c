// The declaration of a file written back in source form, as the detailed trace shows it once
// per file and `wlk schema` prints it (and the declaration parser reads it back):
//
//   PEOPLE            FILE,DRIVER('WENDLOCK'),NAME('people'),CREATE,RECLAIM,THREAD
//   PEO:NAME_KEY        KEY(+PEO:NAME,-PEO:ID),DUP,NOCASE
//   PEO:NOTES           MEMO(200),NAME('notes')
//                       RECORD
//   PEO:ID                LONG
//   PEO:NAME              STRING(20)
//   PEO:ADDRESS           GROUP
//   PEO:CITY                STRING(@s20)
//                         END
//                       END
//                       END
//
// A label is left-justified in its column: 18 characters for the FILE line, 20 for keys, memos,
// RECORD and the two closing END lines, 22 for the record's fields and 2 more per GROUP level
// (a GROUP's END line stands in its own column). A label that fills its column or overruns it
// is followed by one blank; no column is wider than 1023. Lines end with CR LF and the dump with
// an empty line.
//
// Quoted texts (driver options, names) double an embedded quote, as the source form does, so
// that the dump reads back. The owner password is never written, only "OWNER(******)".
#pragma once

#include <string>
#include <string_view>

#include "storage/file_control_block.h"

namespace veltrano::storage {

std::string dumpDeclaration(const FileControlBlock& file, std::string_view driver_name = "WENDLOCK");

}  // namespace veltrano::storage
