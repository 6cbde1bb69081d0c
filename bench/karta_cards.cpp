#include "bench/karta_cards.h"

#include <stdexcept>

#include "app/dictionary/dictionary_layout.h"
#include "app/dictionary/dictionary_tables.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/values/field_value.h"

namespace veltrano::bench {
namespace {

std::vector<std::string> cp1251(std::initializer_list<const char*> utf8) {
  std::vector<std::string> out;
  for (const char* text : utf8) out.push_back(platform::ru(text));
  return out;
}

// Surnames are given in the masculine form; women's cards add the feminine ending.
const std::vector<std::string>& surnames() {
  static const auto list = cp1251(
      {"Иванов",    "Смирнов",  "Кузнецов", "Попов",       "Васильев",   "Петров",    "Соколов", "Михайлов",
       "Новиков",   "Фёдоров",  "Морозов",  "Волков",      "Алексеев",   "Лебедев",   "Семёнов", "Егоров",
       "Павлов",    "Козлов",   "Степанов", "Николаев",    "Орлов",      "Андреев",   "Макаров", "Никитин",
       "Захаров",   "Зайцев",   "Соловьёв", "Борисов",     "Яковлев",    "Григорьев", "Романов", "Воробьёв",
       "Сергеев",   "Кузьмин",  "Фролов",   "Александров", "Дмитриев",   "Королёв",   "Гусев",   "Киселёв",
       "Ильин",     "Максимов", "Поляков",  "Сорокин",     "Виноградов", "Ковалёв",   "Белов",   "Медведев",
       "Антонов",   "Тарасов",  "Жуков",    "Баранов",     "Филиппов",   "Комаров",   "Давыдов", "Беляев",
       "Герасимов", "Богданов", "Осипов",   "Сидоров"});
  return list;
}
const std::vector<std::string>& menNames() {
  static const auto list =
      cp1251({"Александр", "Сергей",   "Владимир", "Андрей",  "Алексей", "Дмитрий",   "Николай",
              "Иван",      "Михаил",   "Юрий",     "Евгений", "Виктор",  "Игорь",     "Олег",
              "Павел",     "Анатолий", "Геннадий", "Борис",   "Валерий", "Константин"});
  return list;
}
const std::vector<std::string>& womenNames() {
  static const auto list =
      cp1251({"Елена",     "Татьяна", "Наталья", "Ольга",   "Ирина",     "Светлана", "Галина",
              "Людмила",   "Марина",  "Анна",    "Надежда", "Валентина", "Любовь",   "Нина",
              "Екатерина", "Вера",    "Лариса",  "Тамара",  "Юлия",      "Мария"});
  return list;
}
// Patronymic stems: "Александрович" / "Александровна".
const std::vector<std::string>& patronymicStems() {
  static const auto list =
      cp1251({"Александров", "Сергеев", "Владимиров", "Андреев", "Алексеев", "Дмитриев", "Николаев", "Иванов",
              "Михайлов", "Юрьев", "Викторов", "Петров", "Павлов", "Борисов", "Васильев"});
  return list;
}
const std::vector<std::string>& towns() {
  static const auto list = cp1251({"г. Ярвинск", "г. Москва", "г. Пермь", "г. Киров", "г. Вологда",
                                   "с. Нижние Полянки Ярвинского р-на", "г. Кострома", "д. Горки"});
  return list;
}
const std::vector<std::string>& streets() {
  static const auto list = cp1251({"ул. Ленина", "ул. Садовая", "пр. Мира", "ул. Гагарина", "ул. Советская",
                                   "ул. Первомайская", "пер. Школьный"});
  return list;
}
const std::vector<std::string>& subdivisions() {
  static const auto list = cp1251({"Стационар", "Поликлиника", "Административно-хозяйственная часть",
                                   "Параклиника", "Женская консультация"});
  return list;
}
const std::vector<std::string>& departments() {
  static const auto list =
      cp1251({"Терапевтическое отделение", "Хирургическое отделение", "Педиатрическое отделение",
              "Отделение реанимации", "Клинико-диагностическая лаборатория", "Рентгеновский кабинет",
              "Гинекологическое отделение", "Неврологическое отделение", "Приёмное отделение", "Бухгалтерия",
              "Пищеблок"});
  return list;
}
const std::vector<std::string>& positions() {
  static const auto list =
      cp1251({"Врач-терапевт участковый", "Врач-хирург", "Врач-педиатр", "Врач-анестезиолог-реаниматолог",
              "Медицинская сестра палатная", "Медицинская сестра процедурной", "Старшая медицинская сестра",
              "Фельдшер-лаборант", "Рентгенолаборант", "Санитарка", "Заведующий отделением", "Бухгалтер",
              "Повар", "Акушерка", "Врач-невролог"});
  return list;
}
const std::vector<std::string>& educations() {
  static const auto list = cp1251({"высшее", "среднее специальное", "среднее", "неполное высшее"});
  return list;
}
const std::vector<std::string>& schools() {
  static const auto list =
      cp1251({"Кировская государственная медицинская академия", "Ярвинское медицинское училище",
              "Пермский государственный медицинский институт", "Вологодский медицинский колледж"});
  return list;
}
const std::vector<std::string>& families() {
  static const auto list = cp1251({"замужем", "женат", "холост", "не замужем", "разведён", "вдова"});
  return list;
}
const std::vector<std::string>& categories() {
  static const auto list = cp1251({"врачи", "средний медперсонал", "младший медперсонал", "прочие"});
  return list;
}
const std::vector<std::string>& notes() {
  static const auto list =
      cp1251({"Награждена почётной грамотой Министерства здравоохранения.",
              "Имеет благодарность главного врача за добросовестный труд в период эпидемии гриппа.",
              "Находится в отпуске по уходу за ребёнком до достижения им возраста трёх лет.",
              "Ветеран труда. Член профсоюза с 1978 года."});
  return list;
}

}  // namespace

std::unique_ptr<storage::DeclaredFile> declareKarta(const std::string& path) {
  const app::FileSpec* spec = app::findFileSpec("KARTA");
  if (spec == nullptr) throw std::logic_error("the dictionary has no KARTA");
  auto file = storage::DeclaredFile::make(std::string(spec->label), app::recordLayout(*spec));
  file->setAttributes(storage::kFileCreate | storage::kFileReclaim | storage::kFileOem);
  file->setName(path);
  for (const auto& key : spec->keys) {
    const std::vector<std::string> components(key.components.begin(), key.components.end());
    const std::uint32_t attributes =
        storage::kKeyOpt | storage::kKeyNocase | (key.unique ? storage::kKeyPrimary : storage::kKeyDup);
    if (file->addKey(std::string(key.label), components, attributes) == nullptr)
      throw std::logic_error("a KARTA key names a missing field");
  }
  if (spec->memo) file->addMemo(std::string(spec->memo->label), spec->memo->size);
  if (file->layout().size() != spec->record_bytes) throw std::logic_error("KARTA is not 1860 bytes");
  return file;
}

CardMaker::CardMaker(const runtime::RecordLayout& layout, std::uint64_t seed)
    : layout_(&layout), random_(seed) {}

void CardMaker::text(std::span<std::uint8_t> record, const char* field, const std::string& value,
                     std::uint32_t element) {
  const int index = layout_->find(field);
  if (index < 0) throw std::logic_error(std::string("no field ") + field);
  runtime::storeText(layout_->field(static_cast<std::size_t>(index)), record, value, element);
}

void CardMaker::number(std::span<std::uint8_t> record, const char* field, std::int64_t value,
                       std::uint32_t element) {
  const int index = layout_->find(field);
  if (index < 0) throw std::logic_error(std::string("no field ") + field);
  runtime::storeInteger(layout_->field(static_cast<std::size_t>(index)), record, value, element);
}

std::int32_t CardMaker::date(int first_year, int last_year) {
  std::uniform_int_distribution<int> year(first_year, last_year), month(1, 12), day(1, 28);
  return runtime::serialFromParts(year(random_), month(random_), day(random_));
}

const std::string& CardMaker::pick(const std::vector<std::string>& list) {
  return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(random_)];
}

std::string CardMaker::position() {
  return pick(positions());
}

void CardMaker::fill(std::int64_t card, std::span<std::uint8_t> record, std::vector<std::uint8_t>& memo) {
  runtime::clearRecord(*layout_, record);
  std::uniform_int_distribution<int> percent(0, 99), digit(0, 9);
  const bool woman = percent(random_) < 70;  // most of a hospital's staff
  const std::string a = platform::ru("а"), na = platform::ru("на"), ich = platform::ru("ич");
  number(record, "KAR:NUM", card);
  text(record, "KAR:FAM", pick(surnames()) + (woman ? a : ""));
  text(record, "KAR:NOM", pick(woman ? womenNames() : menNames()));
  text(record, "KAR:PER", pick(patronymicStems()) + (woman ? na : ich));
  const std::int32_t born = date(1940, 2000);
  number(record, "KAR:DATR", born);
  text(record, "KAR:MESTO", pick(towns()));
  text(record, "KAR:GRAGD", platform::ru("Российская Федерация"));
  text(record, "KAR:OBRAZ", pick(educations()));
  const std::string& profession = pick(positions());
  text(record, "KAR:PROF", profession);
  text(record, "KAR:KOD_PROF", std::to_string(20000 + card % 7000));
  text(record, "KAR:KVALIF", platform::ru("лечебное дело"));
  text(record, "KAR:DIPLOM", "AB " + std::to_string(100000 + (card * 7919) % 900000));
  number(record, "KAR:TRUD", 1);
  text(record, "KAR:SEMJA", pick(families()));
  text(record, "KAR:PASE", std::to_string(3300 + card % 90) + " " + std::to_string(100000 + card % 899999));
  text(record, "KAR:PASE_VYD", platform::ru("ОВД ") + pick(towns()));
  number(record, "KAR:PASE_DAT", date(1997, 2002));
  text(record, "KAR:ADRES",
       pick(towns()) + ", " + pick(streets()) + platform::ru(", д. ") +
           std::to_string(1 + digit(random_) * 7));
  text(record, "KAR:ADRES", platform::ru("кв. ") + std::to_string(1 + card % 120), 1);
  text(record, "KAR:TELEFON", "2-" + std::to_string(10 + card % 89) + "-" + std::to_string(10 + card % 83));
  number(record, "KAR:DATA_ZAP", date(1975, 2002));
  if (!woman) {
    text(record, "KAR:ZVANIE", platform::ru("рядовой"));
    text(record, "KAR:VUS", std::to_string(900000 + card % 999));
    text(record, "KAR:GODEN", platform::ru("годен"));
    text(record, "KAR:VOENKOMAT", platform::ru("Ярвинский РВК"));
  }
  number(record, "KAR:POL", woman ? 2 : 1);
  text(record, "KAR:NACI", platform::ru("русская"));
  text(record, "KAR:STRACH", "0" + std::to_string(10000000 + card));
  text(record, "KAR:MESTO_UCHEBY", pick(schools()));
  text(record, "KAR:KATEGOR", pick(categories()));
  // The derived fields stay blank on a card whose appointment is not yet entered.
  if (percent(random_) >= 5) {
    text(record, "KAR:POST", pick(positions()));
    number(record, "KAR:DATAS", date(1980, 2002));
    text(record, "KAR:STRUKT", pick(subdivisions()));
    text(record, "KAR:OTDELENIE", pick(departments()));
    number(record, "KAR:STR", 10 + card % 130);
    text(record, "KAR:PROFF", profession);
  }
  if (percent(random_) < 15) {
    number(record, "KAR:DATA_UVOL", date(1995, 2002));
    text(record, "KAR:PRICHINA_UVOL", platform::ru("по собственному желанию"));
    text(record, "KAR:PRIKAZ_UVOL", std::to_string(card % 300) + platform::ru("-к"));
  }
  memo.clear();
  if (percent(random_) < 30) {
    const std::string& note = pick(notes());
    memo.assign(note.begin(), note.end());
  }
}

bool cardIsCurrent(const runtime::RecordLayout& layout, std::span<const std::uint8_t> record) {
  static thread_local const runtime::RecordLayout* seen = nullptr;
  static thread_local std::size_t field = 0;
  if (seen != &layout) {
    field = static_cast<std::size_t>(layout.find("KAR:DATA_UVOL"));
    seen = &layout;
  }
  return runtime::loadReal(layout.field(field), record) == 0;
}

}  // namespace veltrano::bench
