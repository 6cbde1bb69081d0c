#include "storage/wendlock_registration.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "runtime/values/type_codes.h"

namespace veltrano::storage {
namespace {

// The driver's operation list by name, as the runtime is told it.
constexpr const char* kListedNames =
    "ADD, APPEND, BOF, BUILDdyn, BUILDfile, BUILDkey, BYTES, EOF, CLOSE, COMMIT, COPY, CREATE, "
    "DELETE, DUPLICATE, DUPLICATEkey, EMPTY, FLUSH, GETfilekey, GETfileptr, GETkeyptr, "
    "GET_PROPERTY, GETPROPERTYkey, HOLDfile, HOLDfilesec, LOCKfile, LOCKfilesec, LOGOUT, NAME, "
    "NEXT, NOMEMO, OPEN, PACK, POINTERfile, POINTERkey, POSITIONfile, POSITIONkey, PREVIOUS, PUT, "
    "PUTfileptr, RECORDSfile, RECORDSkey, REGETfile, REGETkey, RELEASE, REMOVE, RENAME, RESETfile, "
    "RESETkey, ROLLBACK, SEND, SETfile, SETfilekey, SETfileptr, SETkey, SETkeykeyptr, SETkeykey, "
    "SETkeyptr, SET_PROPERTY, SETPROPERTYkey, SHARE, SKIP, STREAM, UNLOCK, WATCH, BUILDdynfilter, "
    "BLOB_YIELD, BLOB_TAKE, BLOB_SIZE, BLOB_GET_PROP, BLOB_SET_PROP";

TEST(WendlockRegistration, IdentityFitsItsFields) {
  const auto& registration = wendlockRegistration();
  EXPECT_EQ(registration.name, "WENDLOCK");
  EXPECT_EQ(registration.description, "Wendlock (WLK)");
  EXPECT_FALSE(registration.notice.empty());
  EXPECT_LE(registration.name.size(), 20u);
  EXPECT_LE(registration.library.size(), 12u);
  EXPECT_LE(registration.notice.size(), 40u);
  EXPECT_LE(registration.description.size(), 30u);
  EXPECT_LE(registration.server_library.size(), 12u);
  EXPECT_EQ(&registration, &wendlockRegistration());
}

TEST(WendlockRegistration, OperationsInTheirListedOrder) {
  const auto& operations = wendlockRegistration().operations;
  ASSERT_EQ(operations.size(), 70u);
  std::string names;
  for (const auto code : operations) {
    if (!names.empty()) names += ", ";
    names += operationName(code);
  }
  EXPECT_EQ(names, kListedNames);
  EXPECT_EQ(operations.front(), 1);
  EXPECT_EQ(operations[1], 4);
  EXPECT_EQ(operations.back(), 79);
}

TEST(WendlockRegistration, ListsNoCodeAnsweredWithoutListing) {
  const auto& registration = wendlockRegistration();
  for (const int code : {0,  35, 39, 51, 53, 55, 59, 68, 69, 70, 73, 74, 80,
                         81, 82, 83, 84, 87, 88, 89, 90, 91, 92, 93, -1, 256}) {
    EXPECT_FALSE(supportsOperation(registration, code)) << code;
  }
  EXPECT_TRUE(supportsOperation(registration, 1));
  EXPECT_TRUE(supportsOperation(registration, 79));
  EXPECT_TRUE(supportsOperation(registration, 60));
}

TEST(WendlockRegistration, FieldTypesInTheirListedOrder) {
  const auto& types = wendlockRegistration().field_types;
  std::string names;
  for (const auto code : types) {
    if (!names.empty()) names += ",";
    names += runtime::typeName(code);
  }
  EXPECT_EQ(names,
            "BYTE,SHORT,USHORT,DATE,TIME,LONG,ULONG,SREAL,REAL,DECIMAL,STRING,CSTRING,PSTRING,"
            "MEMO,BLOB,GROUP,ARRAY");
}

TEST(WendlockRegistration, LimitsBlockLayout) {
  const auto& registration = wendlockRegistration();
  // 15000 = 0x3A98, little-endian at offset 0.
  EXPECT_EQ(registration.limits[0], 0x98);
  EXPECT_EQ(registration.limits[1], 0x3A);
  EXPECT_EQ(registration.limits[2], 0);
  EXPECT_EQ(registration.limits[3], 0);
  EXPECT_EQ(registrationLimit(registration, kLimitLargestRecord), 15000u);
  EXPECT_EQ(registrationLimit(registration, kLimitLargestKeyCount), 240u);
  EXPECT_EQ(registrationLimit(registration, kLimitDeepestGroupNesting), 100u);
  for (std::size_t i = 12; i < registration.limits.size(); ++i) EXPECT_EQ(registration.limits[i], 0) << i;
  EXPECT_EQ(registrationLimit(registration, 56), 0u);
  EXPECT_EQ(registrationLimit(registration, 57), 0u);  // would read past the block
}

}  // namespace
}  // namespace veltrano::storage
