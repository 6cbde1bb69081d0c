#include "app/reference/reference_descriptions.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

namespace veltrano::app::reference {
namespace {

// A one-field reference book: its list (one column over the one field, in the file's one key)
// and its one-prompt form.
struct SimpleBook {
  std::uint16_t list;
  std::string_view label;
  std::string_view caption;
  std::string_view file;
  std::string_view key;
  std::string_view title;
  int width;                 // of the column, in the format's units
  std::string_view picture;  // the field's size
  std::uint16_t form;
  std::string_view form_caption;
  std::string_view prompt;
  std::string_view field;
};

constexpr SimpleBook kSimpleBooks[] = {
    {8, "Gragd", "Гражданство", "GRAGD", "GRA:GRAGD_KEY", "Гражданство", 80, "@s20", 9,
     "Update the gragd File", "Гражданство:", "GRA:GRAGD"},
    {10, "Obraz", "Образование", "OBRAZ", "OBR:OBRAZ_KEY", "Образование", 80, "@s20", 16,
     "Update the obraz File", "Образование:", "OBR:OBRAZ"},
    {11, "Poobraz", "Послевузовское образование", "POOBRAZ", "POO:POOBRAZ_KEY", "Послевузовское образование",
     80, "@s20", 17, "Update the poobraz File", "Послевузовское образование:", "POO:OBRAZ_POSLE"},
    {12, "Doobraz", "Дополнительное образование", "DOOBRAZ", "DOO:DOOBRAZ_KEY", "Дополнительное образование",
     80, "@s20", 18, "Update the doobraz File", "Дополнительное образование:", "DOO:OBRAZ_DOP"},
    {15, "Kvalif", "Квалификация", "KVALIF", "KVA:KVALIF_KEY", "Квалификация", 80, "@s20", 21,
     "Update the Kvalif File", "Квалификация:", "KVA:KVALIF"},
    {22, "Pase", "Паспорт выдан", "PASE", "PAS:PASE_KEY", "Паспорт выдан", 160, "@s40", 24,
     "Update the pase File", "Паспорт выдан:", "PAS:PASE_VYD"},
    {23, "Semja", "Семейное положение", "SEMJA", "SEM:SEMJA_KEY", "Семейное положение", 80, "@s20", 25,
     "Update the semja File", "Семейное положение:", "SEM:SEMJA"},
    {26, "Zvanie", "Воинские звания", "ZVANIE", "ZVA:ZVANIE_KEY", "Воинское звание", 80, "@s20", 29,
     "Update the zvanie File", "Воинское звание:", "ZVA:ZVANIE"},
    {27, "Goden", "Годность к военной службе", "GODEN", "GOD:GODEN_KEY", "Годность к в/с", 160, "@s40", 30,
     "Update the goden File", "Годность к в/с:", "GOD:GODEN"},
    {28, "Voenkomat", "Военкомат", "VOENKOMA", "VOE:VOEN_KEY", "Военкомат", 80, "@s20", 31,
     "Update the voenkomat File", "Военкомат:", "VOE:VOENKOMAT"},
    {41, "Kategori", "Категории персонала", "KATEGORI", "KAT:KAT_KEY", "Категории", 80, "@s20", 42,
     "Update the kategori File", "Категории персонала:", "KAT:KATEGOR"},
    {43, "Uslovie", "Условия труда", "USLOVIE", "USL:USL_KEY", "Условия труда", 80, "@s20", 44,
     "Update the uslovie File", "Условия труда:", "USL:USLOVIE"},
    {56, "Kotegor", "Категории аттестации", "KOTEGOR", "KOT:KOT_KEY", "Категория", 80, "@s20", 58,
     "Update the kotegor File", "Категории аттестации:", "KOT:KATEGOR"},
    {57, "Rezultat", "Результаты аттестации", "REZULTAT", "REZ:REZ_KEY", "Результат", 80, "@s20", 59,
     "Update the rezultat File", "Результат аттестации:", "REZ:REZULTAT"},
    {60, "VidKvalif", "Вид повыш. квалификации", "VID_KVAL", "VID:VID_KEY", "Вид", 80, "@s20", 61,
     "Update the vid_kvalif File", "Вид повышения квалификации:", "VID:VID"},
    {63, "Osnova", "Основание приема на работу", "OSNOVA", "OSN:OSN_KEY", "Основание", 300, "@s100", 64,
     "Update the Kvalif File", "Основание:", "OSN:OSNOVA"},
    {65, "Document", "Документ пов.квалиф.", "DOCUMENT", "DOC:DOC_KEY", "Документ", 80, "@s20", 66,
     "Update the gragd File", "Документ:", "DOC:DOCUMENT"},
    {67, "Otosnova", "Основание для отпуска", "OTOSNOVA", "OTO:OSNOVA_KEY", "Основание", 80, "@s20", 69,
     "Update the gragd File", "Основание:", "OTO:OSNOVA"},
    {68, "Otvid", "Вид отпуска", "OTVID", "OTV:VID_KEY", "Вид", 40, "@s10", 70, "Update the gragd File",
     "Вид отпуска:", "OTV:VID"},
    {72, "Naci", "Национальность", "NACI", "NAC:NACI_KEY", "Национальность", 80, "@s20", 73,
     "Update the gragd File", "Национальность:", "NAC:NACI"},
    {120, "Fak", "Факультеты", "FAK", "FAK:FAK_KEY", "Наименование", 40, "@s10", 121, "Update the gragd File",
     "Факультет:", "FAK:FAK"},
};

using enum LocatorKind;

// Profession, speciality, position and managers, then the selection-only lists.
const ListDescription kOtherLists[] = {
    {13,
     "Prof",
     "Профессия",
     "PROF",
     "PRO:PROF_KEY",
     "15R(2)|M~№~D@n3@147L(2)|M~Профессия~C(0)@s60@83L(2)|M~Код профессии~C(0)@s20@",
     {"PRO:STR", "PRO:PROF", "PRO:KOD_PROF"},
     19,
     kEntry,
     "Введите искомую профессию",
     "",
     ""},
    {45,
     "ProfMed",
     "Выбор медицинской профессии",
     "PROF",
     "PRO:PROF_KEY",
     "14R(2)|M~№~C(0)@n3@245L(2)|M~Профессия~C(0)@s60@80L(2)|M~Код профессии~C(0)@s20@",
     {"PRO:STR", "PRO:PROF", "PRO:KOD_PROF"},
     19,
     kEntry,
     "Введите название искомой профессии",
     "",
     ""},
    {14,
     "Spec",
     "Специальность",
     "SPEC",
     "SPE:SPEC_KEY",
     "134L(2)|M~Специальность~C(0)@s50@120L(2)|M~Группа спец.(Ф50)~C(0)@s50@46L(2)|M~Код~C(0)@s20@",
     {"SPE:SPEC", "SPE:SPEC50", "SPE:KOD_SPEC"},
     20,
     kStep,
     "",
     "",
     ""},
    {80,
     "Dolgnost",
     "Список должностей по штату",
     "DOLGNOST",
     "DOL:NOM_KEY",
     "240L(2)|M~Должность по штату~C(0)@s60@",
     {"DOL:NOM"},
     81,
     kStep,
     "",
     "",
     ""},
    {88,
     "Ruk",
     "Руководящий состав",
     "RUK",
     "RUK:GLAV_KEY",
     "90L(2)|M~Главный врач~C(0)@s30@90L(2)|M~Зам. по лечебной работе~C(0)@s30@80L(2)|M~Зам. по "
     "кадрам~C(0)@s30@",
     {"RUK:GLAV", "RUK:ZAML", "RUK:ZAMK"},
     89,
     kStep,
     "",
     "",
     ""},
    {39,
     "BolnicaSel",
     "Выбор подразделения",
     "BOLNICA",
     "BOL:NOM_KEY",
     "80L(2)|M~Подразделение~C(0)@s60@",
     {"BOL:NOM"},
     0,
     kStep,
     "",
     "",
     "BOL:NUM"},
    {40,
     "OtdelenieSel",
     "Выбор отделения",
     "OTDELENI",
     "OTD:NOM_KEY",
     "154L(2)|M~Отделение~C(0)@s60@",
     {"OTD:NOM"},
     0,
     kStep,
     "",
     "(OTD:num=numo)",
     "OTD:NUMO"},
    {62,
     "PostSel",
     "Выбор должности",
     "POSTT",
     "POS:NOM_KEY",
     "215L(2)|M~Должность~C(0)@s60@[31R(5)|M~штат~C(0)@n_5.2b@25R(3)|M~занято~C(0)@n_5.2b@](59)|M~Количество~"
     "20R(2)|M~numo~C(0)@n4@",
     {"POS:NOM", "POS:KOL", "POS:KOLV", "POS:NUMO"},
     0,
     kEntry,
     "Введите название искомой должности",
     "(POS:numo=numo)",
     ""},
    {128,
     "PostSelAll",
     "Выбор должности",
     "POSTT",
     "POS:NOM_KEY",
     "215L(2)|M~Должность~C(0)@s60@",
     {"POS:NOM"},
     0,
     kEntry,
     "Введите название искомой должности",
     "",
     ""},
    {83,
     "BolnicaChoice",
     "Выбор подразделений",
     "BOLNICA",
     "BOL:NOM_KEY",
     "154L(2)|M~Подразделение~C(0)@s60@16D(2)|M~num~C(0)@n4@",
     {"BOL:NOM", "BOL:NUM"},
     0,
     kStep,
     "",
     "",
     ""},
    {101,
     "OtdelenieChoice",
     "Выбор отделения",
     "OTDELENI",
     "OTD:NOM_KEY",
     "80L(2)|M~Отделение~C(0)@s60@",
     {"OTD:NOM"},
     0,
     kStep,
     "",
     "",
     ""},
    {106,
     "OtdelenieFind",
     "Выбор отделения",
     "OTDELENI",
     "OTD:NOM_KEY",
     "147L(2)|M~Отделение~C(0)@s60@16D(2)|M~numo~C(0)@n4@",
     {"OTD:NOM", "OTD:NUMO"},
     0,
     kEntry,
     "Введите искомое название:",
     "",
     ""},
};

const FormDescription kOtherForms[] = {
    {19,
     "ProfUp",
     "Update the Prof File",
     "PROF",
     {FormField{"Профессия:", "PRO:PROF", "@s60", "", false},
      FormField{"Код профессии:", "PRO:KOD_PROF", "@s20", "", false},
      FormField{"№ строки отчета Формы №17:", "PRO:STR", "@n3", "(для прочих специалистов № строки 140)",
                false}},
     "PRO:PROF_KEY"},
    {20,
     "SpecUp",
     "Update the Spec File",
     "SPEC",
     {FormField{"Специальность:", "SPE:SPEC", "@s50", "", false},
      FormField{"Код специальности:", "SPE:KOD_SPEC", "@s20", "", false},
      FormField{"Группа пециальностей (Ф50):", "SPE:SPEC50", "@s50", "", true}},
     "SPE:SPEC_KEY"},
    {81,
     "DolgnostUp",
     "Update the Spec File",
     "DOLGNOST",
     {FormField{"Должность:", "DOL:NOM", "@s60", "", false}},
     "DOL:NOM_KEY"},
    {89,
     "RukUp",
     "Update the ruk File",
     "RUK",
     {FormField{"Главный врач:", "RUK:GLAV", "@s30", "", false},
      FormField{"Зам. по лечебной работе:", "RUK:ZAML", "@s30", "", false},
      FormField{"Зам. по кадрам:", "RUK:ZAMK", "@s30", "", false}},
     ""},
};

constexpr std::string_view kForm50Groups[] = {"Лечебное дело",
                                              "Педиатрия",
                                              "Медико-профилактическое дело",
                                              "Стоматология",
                                              "Фармация",
                                              "Сестринское дело",
                                              "Акушерское дело",
                                              "Стоматология ортопедическая",
                                              "Лабораторная диагностика",
                                              "Медицинская оптика"};

struct Tables {
  std::deque<std::string> formats;  // the simple books' formats, which the lists' views point into
  std::vector<ListDescription> lists;
  std::vector<FormDescription> forms;

  Tables() {
    for (const SimpleBook& book : kSimpleBooks) {
      // "80L(2)|M~Гражданство~C(0)@s20@": only the title and the size differ between the books.
      const std::string& format =
          formats.emplace_back(std::to_string(book.width) + "L(2)|M~" + std::string(book.title) + "~C(0)" +
                               std::string(book.picture) + "@");
      lists.push_back(ListDescription{book.list,
                                      book.label,
                                      book.caption,
                                      book.file,
                                      book.key,
                                      format,
                                      {book.field},
                                      book.form,
                                      kStep,
                                      "",
                                      "",
                                      ""});
      forms.push_back(FormDescription{book.form,
                                      formLabel(book.label),
                                      book.form_caption,
                                      book.file,
                                      {FormField{book.prompt, book.field, book.picture, "", false}},
                                      book.key});
    }
    lists.insert(lists.end(), std::begin(kOtherLists), std::end(kOtherLists));
    forms.insert(forms.end(), std::begin(kOtherForms), std::end(kOtherForms));
  }

  std::string_view formLabel(std::string_view list_label) {
    return formats.emplace_back(std::string(list_label) + "Up");
  }
};

const Tables& tables() {
  static const Tables built;
  return built;
}

}  // namespace

std::span<const ListDescription> referenceLists() {
  return tables().lists;
}

std::span<const FormDescription> referenceForms() {
  return tables().forms;
}

const ListDescription* findList(std::uint16_t number) {
  const auto& lists = tables().lists;
  const auto found =
      std::find_if(lists.begin(), lists.end(), [&](const auto& list) { return list.number == number; });
  return found == lists.end() ? nullptr : &*found;
}

const FormDescription* findForm(std::uint16_t number) {
  const auto& forms = tables().forms;
  const auto found =
      std::find_if(forms.begin(), forms.end(), [&](const auto& form) { return form.number == number; });
  return found == forms.end() ? nullptr : &*found;
}

std::span<const std::string_view> form50Groups() {
  return kForm50Groups;
}

}  // namespace veltrano::app::reference
