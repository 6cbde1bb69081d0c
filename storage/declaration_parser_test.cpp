#include "storage/declaration_parser.h"

#include <gtest/gtest.h>

#include "storage/declaration_dump.h"
#include "storage/definition_stream.h"

namespace veltrano::storage {
namespace {

const char* kPeople =
    "PEOPLE            FILE,DRIVER('WENDLOCK','/X'),NAME('people'),CREATE,RECLAIM,THREAD\r\n"
    "PEO:ID_KEY          KEY(+PEO:ID),OPT,NOCASE,PRIMARY\r\n"
    "PEO:NAME_KEY        KEY(+PEO:NAME,-PEO:BORN),DUP,NOCASE,NAME('names')\r\n"
    "PEO:NOTES           MEMO(200),NAME('notes')\r\n"
    "PEO:PHOTO           BLOB,BINARY\r\n"
    "                    RECORD\r\n"
    "PEO:ID                DECIMAL(7,0)\r\n"
    "PEO:NAME              STRING(20)\r\n"
    "PEO:ADDRESS           GROUP\r\n"
    "PEO:CITY                STRING(@s20)\r\n"
    "PEO:ZIP                 CSTRING(7)\r\n"
    "                      END\r\n"
    "PEO:BORN              DATE\r\n"
    "PEO:MARKS             SHORT, DIM(2,3)\r\n"
    "PEO:RAW               LONG, OVER(PEO:BORN)\r\n"
    "                    END\r\n"
    "                    END\r\n"
    "\r\n";

TEST(DeclarationParser, ReadsTheDumpBackToTheSameDeclaration) {
  std::string error;
  auto file = parseDeclaration(kPeople, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(dumpDeclaration(file->file()), kPeople);
  EXPECT_EQ(file->layout().size(), 4u + 20 + 20 + 7 + 4 + 12);
  EXPECT_EQ(file->layout().field(3).picture, "@s20");
  EXPECT_EQ(file->file().driver_options, "/X");
  ASSERT_EQ(file->file().keys.size(), 2u);
  EXPECT_EQ(file->file().keys[1]->components, (std::vector<std::int32_t>{2, -6}));
  EXPECT_EQ(file->file().memos[1]->attributes, kMemoBlob | kMemoBinary);
}

TEST(DeclarationParser, AcceptsLooseSpacingCaseAndPlainLineEnds) {
  const char* text =
      "T FILE,driver('wendlock')\n"
      "T:K KEY(T:A),dup\n"
      "  record\n"
      "T:A   long\n"
      "! a comment\n"
      "\n"
      "T:B string(3)\n"
      " end\n"
      " end\n";
  std::string error;
  auto file = parseDeclaration(text, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->layout().fieldCount(), 2u);
  EXPECT_EQ(file->file().keys[0]->attributes, kKeyDup);
}

TEST(DeclarationParser, MalformedDeclarationsSayWhereAndWhy) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "line 0: no FILE line"},
      {"T KEY(T:A)\n", "line 1: expected FILE"},
      {"T FILE,DRIVER('OTHER')\n", "line 1: the driver must be 'WENDLOCK'"},
      {"T FILE\nT:K KEY(T:X)\n RECORD\nT:A LONG\n END\n END\n", "line 2: a key component names no field"},
      {"T FILE\n RECORD\nT:A LONGER\n END\n END\n", "line 3: unknown type LONGER"},
      {"T FILE\n RECORD\nT:A STRING(0)\n END\n END\n", "line 3: bad string length"},
      {"T FILE\n RECORD\nT:A STRING(3\n END\n END\n", "line 3: cannot read the field"},
      {"T FILE\n RECORD\nT:A LONG, OVER(T:Z)\n END\n END\n", "line 3: OVER names no earlier field"},
      {"T FILE\n RECORD\nT:A LONG\nT:A SHORT\n END\n END\n", "line 4: field T:A declared twice"},
      {"T FILE\n RECORD\nT:A LONG\n END\n", "line 4: END of the file is missing"},
      {"T FILE\n RECORD\nT:A LONG\n END\n END\nX\n", "line 6: text after the declaration"},
      {"T FILE\nT:M MEMO\n RECORD\n END\n END\n", "line 2: MEMO needs its size"},
      {"T FILE\n RECORD\nT:D DECIMAL(40,2)\n END\n END\n", "line 3: bad decimal digits"},
      {"T FILE\n RECORD\nT:A LONG\nT:B STRING(40),OVER(T:A)\n END\n END\n",
       "line 4: T:B (40 bytes) is larger than T:A (4 bytes), which it overlays"},
      {"T FILE\n RECORD\nT:A LONG\nT:G GROUP\nT:B SHORT,OVER(T:A)\n END\n END\n END\n",
       "line 5: T:B lies outside its GROUP T:G"},
      {"T FILE\n RECORD\nT:A STRING(8000)\nT:B STRING(8000)\n END\n END\n",
       "line 2: the record is 16000 bytes; a record holds at most 15000"},
      {"T FILE\n RECORD\nT:A LONG,DIM(100,100)\n END\n END\n",
       "line 3: the array is larger than a record may be (15000 bytes)"},
      {"T FILE\nT:M MEMO(70000)\n RECORD\n END\n END\n", "line 2: a MEMO holds at most 65535 bytes"},
      {"T FILE\nT:K KEY(T:A,T:A,T:A),DUP\n RECORD\nT:A STRING(6000)\n END\n END\n",
       "line 2: key T:K is 18000 bytes long; a DUP key may be at most 7527"},
  };
  for (const auto& [text, expected] : cases) {
    std::string error;
    EXPECT_FALSE(parseDeclaration(text, &error)) << text;
    EXPECT_EQ(error, expected) << text;
  }
}

}  // namespace
}  // namespace veltrano::storage
