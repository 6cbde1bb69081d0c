// The computations the card's child lists make over the files each time a record of theirs is
// added, changed or deleted: the work-history flags, the latest-record flags with the card's
// derived fields, the service totals under the work-history list, and the leave sums of the
// leave form. They work on the dictionary's record buffers and files through the table
// managers, independent of any window, and leave the rules themselves to service_length.h and
// due_dates.h.
//
// Each function opens the files it uses through their managers and closes them again (the
// open counts are per thread, so a list that has them open keeps them open). The child file's
// buffer is left holding the last record read.
#pragma once

#include <cstdint>

#include "app/computations/service_length.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/record_access.h"
#include "framework/level.h"

namespace veltrano::app {

// The length of the period in a work-history record: TRU:STAGD/STAGM/STAGG from TRU:DATAN to
// TRU:DATAK, as the work-history form stores it when the end date is accepted.
void storePeriodLength(RecordAccess trud);

// Walks the employee's TRUD records by TRU:DATN_KEY from the latest start to the earliest and
// PUTs every closed period with its three flags (TRU:IND, TRU:IND1, TRU:IND2); open periods are
// not written. 0, or the level of the first failed read or write.
framework::Level updateWorkHistoryFlags(Dictionary& dictionary, std::int64_t employee);

// The child lists that mark the employee's latest record and copy some of its fields to the card.
enum class LatestRecordList : std::uint8_t {
  Appointments,          // RABOTA by RAB:DAT_KEY: RAB:IND; subdivision, department, position,
                         // profession and form No. 17 line of the card
  FurtherTraining,       // POVYSH by POV:DATAN_KEY: POV:IND; KAR:DATAP = POV:DATAD
  ProfessionalTraining,  // PODGOT by POD:DATAN_KEY: POD:IND; no card field
  Attestations,          // ATTESTAT by ATT:DATAD_KEY: ATT:IND; KAR:KATEGOR, KAR:DATAA
  Certificates,          // SERTIFIK by SER:DATAD_KEY: SER:IND; KAR:DATAS = SER:DATAD
};

// Clears the card fields the list maintains in the KARTA buffer, then gives the employee's
// latest record the flag 1 and its fields to the card, every other record the flag 0, and PUTs
// each. With no record left the card fields stay cleared. The card itself is not written: it
// reaches the file when the card is saved. 0, or the level of the first failure.
framework::Level updateLatestRecord(Dictionary& dictionary, LatestRecordList list, std::int64_t employee);

// Every derived field and flag of one employee: the work-history flags and the five lists.
framework::Level updateAllDerived(Dictionary& dictionary, std::int64_t employee);

// The sums under the work-history list over the employee's periods as stored (the rows the list
// shows: the employee's TRUD records in TRU:DATN_KEY).
framework::Level employeeServiceSums(Dictionary& dictionary, std::int64_t employee, ServiceSums& sums);

// The leave form's sums on the OTPUSK buffer: OTP:SROKS = OTP:SROK1 + OTP:SROK2 + OTP:SROK3 and
// OTP:SROK_ITOG = OTP:SROK + OTP:SROKS.
void computeLeaveSums(RecordAccess otpusk);

}  // namespace veltrano::app
