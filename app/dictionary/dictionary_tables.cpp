#include "app/dictionary/dictionary_tables.h"

namespace veltrano::app {
namespace {

using runtime::TypeCode;

FieldSpec str(std::string_view name, std::uint32_t length, std::uint32_t dim = 0) {
  return {name, TypeCode::String, length, 0, dim};
}
FieldSpec dec(std::string_view name, std::uint32_t digits, std::uint8_t places = 0) {
  return {name, TypeCode::Decimal, digits, places, 0};
}
FieldSpec date(std::string_view name, std::uint32_t dim = 0) {
  return {name, TypeCode::Date, 0, 0, dim};
}
FieldSpec byte(std::string_view name, std::uint32_t dim = 0) {
  return {name, TypeCode::Byte, 0, 0, dim};
}

KeySpec dup(std::string_view label, std::vector<std::string_view> components) {
  return {label, std::move(components), false, false};
}
KeySpec unique(std::string_view label, std::string_view component, bool numbered) {
  return {label, {component}, true, numbered};
}

// A one-field reference list: one STRING field and one DUP key on it.
FileSpec lookup(std::string_view label, std::string_view message_name, std::string_view prefix,
                std::string_view field, std::uint32_t length, std::string_view key, std::string_view title) {
  return {label,        message_name, prefix, length, {str(field, length)}, {dup(key, {field})},
          std::nullopt, title};
}

std::vector<FileSpec> makeFiles() {
  std::vector<FileSpec> files;
  files.push_back({"KARTA",
                   "karta",
                   "KAR",
                   1860,
                   {dec("KAR:NUM", 7),
                    str("KAR:FAM", 20),
                    str("KAR:NOM", 20),
                    str("KAR:PER", 20),
                    date("KAR:DATR"),
                    str("KAR:MESTO", 150),
                    str("KAR:GRAGD", 20),
                    str("KAR:OBRAZ", 20, 3),
                    str("KAR:PROF", 60, 4),
                    str("KAR:KOD_PROF", 20, 3),
                    str("KAR:KVALIF", 20),
                    str("KAR:DIPLOM", 30),
                    byte("KAR:TRUD", 2),
                    str("KAR:SEMJA", 20),
                    str("KAR:PASE", 20),
                    str("KAR:PASE_VYD", 40),
                    date("KAR:PASE_DAT"),
                    str("KAR:ADRES", 60, 2),
                    str("KAR:TELEFON", 20),
                    date("KAR:DATA_ZAP"),
                    str("KAR:ZVANIE", 20),
                    str("KAR:VUS", 10),
                    str("KAR:GODEN", 40),
                    str("KAR:VOENKOMAT", 20),
                    str("KAR:SPESUCHET", 10),
                    str("KAR:NAGRADA", 40),
                    byte("KAR:DOP_MASH", 4),
                    str("KAR:PRAVA", 20),
                    date("KAR:DATA_UVOL"),
                    str("KAR:PRICHINA_UVOL", 25),
                    str("KAR:PRIKAZ_UVOL", 10),
                    date("KAR:DATA_PRIKAZ_UVOL"),
                    date("KAR:DATD"),
                    byte("KAR:POL"),
                    str("KAR:NACI", 20),
                    str("KAR:STRACH", 20),
                    str("KAR:MESTO_UCHEBY", 60, 3),
                    str("KAR:KATEGOR", 20),
                    str("KAR:POST", 60),
                    date("KAR:DATAS"),
                    str("KAR:STRUKT", 60),
                    str("KAR:OTDELENIE", 60),
                    dec("KAR:STR", 3),
                    date("KAR:DATAA"),
                    date("KAR:DATAP"),
                    str("KAR:PRIBYL", 45),
                    byte("KAR:SOVMESTITEL"),
                    str("KAR:UVOL_VYPUSK", 50),
                    str("KAR:PROFF", 60),
                    str("KAR:FOTO", 150),
                    str("KAR:FAK", 10, 3)},
                   {unique("KAR:NUM_KEY", "KAR:NUM", true), dup("KAR:FAM_KEY", {"KAR:FAM", "KAR:NOM"}),
                    dup("KAR:STR_KEY", {"KAR:STRUKT"}), dup("KAR:OTD_KEY", {"KAR:OTDELENIE"}),
                    dup("KAR:POS_KEY", {"KAR:POST"}), dup("KAR:PROF_KEY", {"KAR:PROFF"})},
                   MemoSpec{"KAR:DOP_SVED", 1000},
                   {}});
  files.push_back(
      {"TRUD",
       "trud",
       "TRU",
       231,
       {dec("TRU:NUM", 7), date("TRU:DATAN"), date("TRU:DATAK"), str("TRU:MESTO", 70), str("TRU:NOM", 60),
        dec("TRU:STAGD", 3), dec("TRU:STAGM", 3), dec("TRU:STAGG", 3), str("TRU:KOD_PROF", 20),
        byte("TRU:IND"), byte("TRU:IND1"), byte("TRU:IND2"), str("TRU:PRICHINA", 60)},
       {dup("TRU:NUM_KEY", {"TRU:NUM"}), dup("TRU:DATN_KEY", {"TRU:DATAN"})},
       std::nullopt,
       {}});
  files.push_back(
      {"RABOTA",
       "rabota",
       "RAB",
       432,
       {dec("RAB:NUM", 7), date("RAB:DATA"), str("RAB:OSNOVA", 100), date("RAB:DATA_PR"),
        str("RAB:NUM_PR", 5), str("RAB:STRUKT", 60), str("RAB:OTDELENIE", 60), str("RAB:PROF", 60),
        str("RAB:KATEGOR", 20), dec("RAB:TARIF", 7, 2), str("RAB:USLOVIE", 20), str("RAB:SOOTVETSTVEI", 20),
        byte("RAB:IND"), dec("RAB:NUMO", 5), dec("RAB:RAZRAD", 3), dec("RAB:STR", 3), str("RAB:DOLGNOST", 60),
        dec("RAB:STAVKA", 5, 2)},
       {dup("RAB:NUM_KEY", {"RAB:NUM"}), dup("RAB:DAT_KEY", {"RAB:NUM", "RAB:DATA"}),
        dup("RAB:IND_KEY", {"RAB:IND"})},
       std::nullopt,
       {}});
  files.push_back(
      {"OTPUSK",
       "otpusk",
       "OTP",
       62,
       {dec("OTP:NUM", 7), date("OTP:DATANR"), date("OTP:DATAKR"), str("OTP:OSNOVA", 20), str("OTP:VID", 10),
        dec("OTP:SROK", 3), dec("OTP:SROK1", 3), dec("OTP:SROK2", 3), dec("OTP:SROK3", 3),
        dec("OTP:SROKS", 3), dec("OTP:SROK_ITOG", 3), date("OTP:DATAN"), date("OTP:DATAK")},
       {dup("OTP:NUM_KEY", {"OTP:NUM"}), dup("OTP:DATANR_KEY", {"OTP:DATANR"})},
       std::nullopt,
       {}});
  files.push_back({"POVYSH",
                   "povysh",
                   "POV",
                   259,
                   {dec("POV:NUM", 7), date("POV:DATAN"), date("POV:DATAK"), dec("POV:SROK", 3, 1),
                    str("POV:MESTO", 70), str("POV:VID", 100), str("POV:DOCUMENT", 20), str("POV:NUMD", 10),
                    date("POV:DATAD"), byte("POV:IND"), str("POV:VID1", 10), str("POV:OSNOVA", 30)},
                   {dup("POV:NUM_KEY", {"POV:NUM"}), dup("POV:DATAN_KEY", {"POV:DATAN"})},
                   std::nullopt,
                   {}});
  files.push_back(
      {"PODGOT",
       "podgot",
       "POD",
       129,
       {dec("POD:NUM", 7), date("POD:DATAN"), date("POD:DATAK"), dec("POD:SROK", 3), str("POD:SPEC", 50),
        str("POD:SPEC50", 50), str("POD:NUMD", 10), date("POD:DATAD"), byte("POD:IND")},
       {dup("POD:NUM_KEY", {"POD:NUM"}), dup("POD:DATAN_KEY", {"POD:DATAN"})},
       std::nullopt,
       {}});
  files.push_back({"ATTESTAT",
                   "attestat",
                   "ATT",
                   59,
                   {dec("ATT:NUM", 7), str("ATT:KATEGOR", 20), str("ATT:REZULTAT", 20), str("ATT:NUMD", 10),
                    date("ATT:DATAD"), byte("ATT:IND")},
                   {dup("ATT:NUM_KEY", {"ATT:NUM"}), dup("ATT:DATAD_KEY", {"ATT:DATAD"}),
                    dup("ATT:KATEGOR_KEY", {"ATT:KATEGOR"})},
                   std::nullopt,
                   {}});
  files.push_back({"SERTIFIK",
                   "sertifikat",
                   "SER",
                   189,
                   {dec("SER:NUM", 7), date("SER:DATAD"), str("SER:NUMD", 10), str("SER:SPEC", 50),
                    str("SER:SPEC50", 50), str("SER:MESTO", 70), byte("SER:IND")},
                   {dup("SER:NUM_KEY", {"SER:NUM"}), dup("SER:DATAD_KEY", {"SER:DATAD"})},
                   std::nullopt,
                   {}});
  files.push_back({"SOSTAV",
                   "sostav",
                   "SOS",
                   91,
                   {dec("SOS:NUM", 7), dec("SOS:NUMS", 5), str("SOS:IGDIVEN", 20), str("SOS:FAM", 20),
                    str("SOS:NOM", 20), str("SOS:PER", 20), date("SOS:DATR")},
                   {dup("SOS:NUM_KEY", {"SOS:NUM"}), unique("SOS:NUMS_KEY", "SOS:NUMS", false)},
                   std::nullopt,
                   {}});
  files.push_back({"KA2",
                   "ka2",
                   "KA2",
                   282,
                   {dec("KA2:NUM", 7), str("KA2:FAM", 20), str("KA2:NOM", 20), str("KA2:PER", 20),
                    date("KA2:DATR"), str("KA2:GRAGD", 20), str("KA2:SEMJA", 20), str("KA2:PASE_VYD", 40),
                    date("KA2:PASE_DAT"), str("KA2:TELEFON", 20), str("KA2:ZVANIE", 20), str("KA2:VUS", 10),
                    str("KA2:GODEN", 40), str("KA2:VOENKOMAT", 20), str("KA2:NACI", 20)},
                   {dup("KA2:NUM_KEY", {"KA2:NUM"})},
                   std::nullopt,
                   {}});
  files.push_back({"BOLNICA",
                   "bolnica",
                   "BOL",
                   63,
                   {dec("BOL:NUM", 5), str("BOL:NOM", 60)},
                   {unique("BOL:NUM_KEY", "BOL:NUM", true), dup("BOL:NOM_KEY", {"BOL:NOM"})},
                   std::nullopt,
                   {}});
  files.push_back({"OTDELENI",
                   "otdelenie",
                   "OTD",
                   66,
                   {dec("OTD:NUM", 5), dec("OTD:NUMO", 5), str("OTD:NOM", 60)},
                   {dup("OTD:NUM_KEY", {"OTD:NUM"}), unique("OTD:NUMO_KEY", "OTD:NUMO", true),
                    dup("OTD:NOM_KEY", {"OTD:NOM"})},
                   std::nullopt,
                   {}});
  files.push_back({"POSTT",
                   "postt",
                   "POS",
                   69,
                   {dec("POS:NUMO", 5), str("POS:NOM", 60), dec("POS:KOL", 5, 2), dec("POS:KOLV", 5, 2)},
                   {dup("POS:NUMO_KEY", {"POS:NUMO"}), dup("POS:NOM_KEY", {"POS:NOM"})},
                   std::nullopt,
                   {}});
  files.push_back({"DOLGNOST",
                   "dolgnost",
                   "DOL",
                   60,
                   {str("DOL:NOM", 60)},
                   {dup("DOL:NOM_KEY", {"DOL:NOM"})},
                   std::nullopt,
                   {}});
  files.push_back({"PROF",
                   "prof",
                   "PRO",
                   82,
                   {str("PRO:PROF", 60), str("PRO:KOD_PROF", 20), dec("PRO:STR", 3)},
                   {dup("PRO:PROF_KEY", {"PRO:PROF"}), dup("PRO:STR_KEY", {"PRO:STR"})},
                   std::nullopt,
                   {}});
  files.push_back({"SPEC",
                   "spec",
                   "SPE",
                   120,
                   {str("SPE:SPEC", 50), str("SPE:KOD_SPEC", 20), str("SPE:SPEC50", 50)},
                   {dup("SPE:SPEC_KEY", {"SPE:SPEC"})},
                   std::nullopt,
                   {}});
  files.push_back({"UCHEBA",
                   "ucheba",
                   "UCH",
                   419,
                   {dec("UCH:IND_STRUKT", 3),   str("UCH:STRUKT", 60),       dec("UCH:IND_OTDEL", 3),
                    str("UCH:OTDELENIE", 60),   dec("UCH:IND_POST", 5),      str("UCH:POST", 60),
                    str("UCH:FAM", 40),         dec("UCH:STAGDM", 3),        dec("UCH:STAGMM", 3),
                    dec("UCH:STAGGM", 3),       dec("UCH:STAGDB", 3),        dec("UCH:STAGMB", 3),
                    dec("UCH:STAGGB", 3),       str("UCH:KATEGOR", 20, 3),   date("UCH:DATA_KATEGOR", 3),
                    date("UCH:DATA_SERT", 5),   date("UCH:DATA_POVYSH", 5),  dec("UCH:UCHEBA", 5),
                    dec("UCH:UCHEBA2", 5),      dec("UCH:ATTESTAT", 5),      dec("UCH:ATTESTAT2", 5),
                    dec("UCH:PEREATTESTAT", 5), dec("UCH:PEREATTESTAT2", 5), str("UCH:VID_POVYSH", 10, 5)},
                   {dup("UCH:FAM_KEY", {"UCH:FAM"}),
                    dup("UCH:IND_STRUKT_KEY", {"UCH:IND_STRUKT", "UCH:STRUKT", "UCH:IND_OTDEL",
                                               "UCH:OTDELENIE", "UCH:IND_POST", "UCH:FAM"})},
                   std::nullopt,
                   {}});
  files.push_back({"RUK",
                   "ruk",
                   "RUK",
                   90,
                   {str("RUK:GLAV", 30), str("RUK:ZAML", 30), str("RUK:ZAMK", 30)},
                   {dup("RUK:GLAV_KEY", {"RUK:GLAV"})},
                   std::nullopt,
                   {}});
  files.push_back(lookup("GRAGD", "gragd", "GRA", "GRA:GRAGD", 20, "GRA:GRAGD_KEY", "Гражданство"));
  files.push_back(lookup("NACI", "naci", "NAC", "NAC:NACI", 20, "NAC:NACI_KEY", "Национальность"));
  files.push_back(lookup("OBRAZ", "obraz", "OBR", "OBR:OBRAZ", 20, "OBR:OBRAZ_KEY", "Образование"));
  files.push_back(lookup("POOBRAZ", "poobraz", "POO", "POO:OBRAZ_POSLE", 20, "POO:POOBRAZ_KEY",
                         "Послевузовское образование"));
  files.push_back(lookup("DOOBRAZ", "doobraz", "DOO", "DOO:OBRAZ_DOP", 20, "DOO:DOOBRAZ_KEY",
                         "Дополнительное образование"));
  files.push_back(lookup("FAK", "fak", "FAK", "FAK:FAK", 10, "FAK:FAK_KEY", "Факультеты"));
  files.push_back(lookup("KVALIF", "kvalif", "KVA", "KVA:KVALIF", 20, "KVA:KVALIF_KEY", "Квалификация"));
  files.push_back(lookup("PASE", "pase", "PAS", "PAS:PASE_VYD", 40, "PAS:PASE_KEY", "Паспорт выдан"));
  files.push_back(lookup("SEMJA", "semja", "SEM", "SEM:SEMJA", 20, "SEM:SEMJA_KEY", "Семейное положение"));
  files.push_back(lookup("ZVANIE", "zvanie", "ZVA", "ZVA:ZVANIE", 20, "ZVA:ZVANIE_KEY", "Воинские звания"));
  files.push_back(
      lookup("GODEN", "goden", "GOD", "GOD:GODEN", 40, "GOD:GODEN_KEY", "Годность к военной службе"));
  files.push_back(lookup("VOENKOMA", "voenkomat", "VOE", "VOE:VOENKOMAT", 20, "VOE:VOEN_KEY", "Военкомат"));
  files.push_back(
      lookup("OSNOVA", "osnova", "OSN", "OSN:OSNOVA", 100, "OSN:OSN_KEY", "Основание приема на работу"));
  files.push_back(
      lookup("KATEGORI", "kategori", "KAT", "KAT:KATEGOR", 20, "KAT:KAT_KEY", "Категории персонала"));
  files.push_back(lookup("USLOVIE", "uslovie", "USL", "USL:USLOVIE", 20, "USL:USL_KEY", "Условия труда"));
  files.push_back(
      lookup("DOCUMENT", "document", "DOC", "DOC:DOCUMENT", 20, "DOC:DOC_KEY", "Документ пов.квалиф."));
  files.push_back(
      lookup("VID_KVAL", "vid_kvalif", "VID", "VID:VID", 20, "VID:VID_KEY", "Вид повыш. квалификации"));
  files.push_back(
      lookup("KOTEGOR", "kotegor", "KOT", "KOT:KATEGOR", 20, "KOT:KOT_KEY", "Категории аттестации"));
  files.push_back(
      lookup("REZULTAT", "rezultat", "REZ", "REZ:REZULTAT", 20, "REZ:REZ_KEY", "Результаты аттестации"));
  files.push_back(
      lookup("OTOSNOVA", "otosnova", "OTO", "OTO:OSNOVA", 20, "OTO:OSNOVA_KEY", "Основание для отпуска"));
  files.push_back(lookup("OTVID", "otvid", "OTV", "OTV:VID", 10, "OTV:VID_KEY", "Вид отпуска"));
  return files;
}

}  // namespace

const std::vector<FileSpec>& dictionaryFiles() {
  static const std::vector<FileSpec> files = makeFiles();
  return files;
}

const std::vector<RelationSpec>& dictionaryRelations() {
  static const std::vector<RelationSpec> relations = {
      {"KARTA", "POVYSH", "POV:NUM_KEY", "KAR:NUM", "POV:NUM"},
      {"KARTA", "PODGOT", "POD:NUM_KEY", "KAR:NUM", "POD:NUM"},
      {"KARTA", "RABOTA", "RAB:NUM_KEY", "KAR:NUM", "RAB:NUM"},
      {"KARTA", "SOSTAV", "SOS:NUM_KEY", "KAR:NUM", "SOS:NUM"},
      {"KARTA", "TRUD", "TRU:NUM_KEY", "KAR:NUM", "TRU:NUM"},
      {"KARTA", "ATTESTAT", "ATT:NUM_KEY", "KAR:NUM", "ATT:NUM"},
      {"KARTA", "OTPUSK", "OTP:NUM_KEY", "KAR:NUM", "OTP:NUM"},
      {"KARTA", "SERTIFIK", "SER:NUM_KEY", "KAR:NUM", "SER:NUM"},
      {"BOLNICA", "OTDELENI", "OTD:NUM_KEY", "BOL:NUM", "OTD:NUM"},
      {"OTDELENI", "POSTT", "POS:NUMO_KEY", "OTD:NUMO", "POS:NUMO"},
  };
  return relations;
}

const FileSpec* findFileSpec(std::string_view label) {
  for (const auto& file : dictionaryFiles()) {
    if (file.label == label) return &file;
  }
  return nullptr;
}

}  // namespace veltrano::app
