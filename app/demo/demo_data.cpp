#include "app/demo/demo_data.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "app/computations/derived_records.h"
#include "app/demo/demo_generator.h"
#include "app/dictionary/dictionary.h"
#include "framework/transaction_frame.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/errors/error_state.h"
#include "storage/file_name.h"
#include "storage/wendlock_driver.h"

namespace veltrano::app {
namespace {

using demo::Role;
using platform::ru;

constexpr std::string_view kThisHospital = "Городская больница №2 г. Ярвинска";

std::string decimalText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// A failed step: the file, and the runtime's error text.
struct Failure {
  std::string message;
};

class DemoWriter {
 public:
  DemoWriter(const DemoOptions& options, std::int32_t today)
      : options_(options),
        dictionary_(options.driver != nullptr ? *options.driver : storage::wendlockDriver(),
                    options.directory),
        generator_(options.seed, today),
        today_(today) {
    errors_.Init();
    dictionary_.Init(errors_);
  }
  ~DemoWriter() {
    frame_.rollBack();
    for (const auto& spec : dictionaryFiles()) dictionary_.manager(spec.label).Close();
    dictionary_.Kill();
    errors_.Kill();
  }
  DemoWriter(const DemoWriter&) = delete;
  DemoWriter& operator=(const DemoWriter&) = delete;

  void run(DemoSummary& summary) {
    createFiles();
    begin();
    referenceBooks();
    staffSchedule();
    for (std::int64_t employee = 0; employee < options_.employees; ++employee) {
      addEmployee(summary);
      if ((employee + 1) % std::max<std::int64_t>(options_.employees_per_commit, 1) == 0) {
        commit();
        begin();
      }
    }
    positions();
    commit();
    for (const auto& spec : dictionaryFiles()) {
      storage::OperationArguments arguments;
      summary.records.emplace_back(std::string(spec.label),
                                   storage::fileStatement(storage::Operation::RecordsFile,
                                                          dictionary_.file(spec.label).file(), arguments));
    }
  }

 private:
  [[noreturn]] void fail(std::string_view label, std::string_view what) {
    throw Failure{std::string(what) + " " + std::string(label) + ": " +
                  platform::utf8From1251(runtime::errorText80()) + " (" +
                  std::to_string(runtime::errorCode()) + ")"};
  }

  void createFiles() {
    for (const auto& spec : dictionaryFiles()) {
      storage::fileStatement(storage::Operation::Create, dictionary_.file(spec.label).file());
      if (runtime::errorCode() != 0) fail(spec.label, "cannot create");
      if (dictionary_.manager(spec.label).Open() != framework::kLevelBenign) fail(spec.label, "cannot open");
    }
  }

  void begin() {
    std::vector<storage::FileControlBlock*> files;
    for (const auto& spec : dictionaryFiles()) files.push_back(&dictionary_.file(spec.label).file());
    if (frame_.begin(files) != 0) fail("", "cannot start a transaction over the files");
  }
  void commit() {
    if (frame_.commit() != 0) fail("", "cannot write the files");
  }

  RecordAccess record(std::string_view label) { return RecordAccess(dictionary_.file(label)); }

  // A new record primed by the file's manager (numbered, preset), filled, and inserted.
  template <typename Fill>
  void insert(std::string_view label, Fill&& fill) {
    framework::TableManager& manager = dictionary_.manager(label);
    if (manager.PrepareRecord() != framework::kLevelBenign) fail(label, "cannot prepare a record of");
    RecordAccess fields = record(label);
    fill(fields);
    if (manager.InsertQuiet() != framework::kLevelBenign) fail(label, "cannot add a record to");
  }

  void referenceBooks() {
    for (const auto& list : demo::lookupLists()) {
      const FileSpec& spec = *findFileSpec(list.file);
      for (const auto entry : list.entries) {
        insert(list.file, [&](RecordAccess& r) { r.setText(spec.fields[0].name, ru(entry)); });
      }
    }
    for (const auto entry : demo::lookup("DOLGNOST")) {
      insert("DOLGNOST", [&](RecordAccess& r) { r.setText("DOL:NOM", ru(entry)); });
    }
    for (const auto& profession : demo::professions()) {
      insert("PROF", [&](RecordAccess& r) {
        r.setText("PRO:PROF", ru(profession.name));
        r.setText("PRO:KOD_PROF", ru(profession.code));
        r.setInteger("PRO:STR", profession.form17_line);
      });
    }
    for (const auto& speciality : demo::specialities()) {
      insert("SPEC", [&](RecordAccess& r) {
        r.setText("SPE:SPEC", ru(speciality.name));
        r.setText("SPE:KOD_SPEC", ru(speciality.code));
        r.setText("SPE:SPEC50", ru(speciality.form50_group));
      });
    }
    insert("RUK", [&](RecordAccess& r) {
      r.setText("RUK:GLAV", ru(shortName(generator_.person(true, 45, 60))));
      r.setText("RUK:ZAML", ru(shortName(generator_.person(generator_.chance(0.5), 40, 60))));
      r.setText("RUK:ZAMK", ru(shortName(generator_.person(false, 35, 60))));
    });
  }

  static std::string shortName(const DemoGenerator::Person& person) {
    // "Фамилия И.О.": the first letter of a Cyrillic name is two bytes of UTF-8.
    return person.surname + " " + person.name.substr(0, 2) + "." + person.patronymic.substr(0, 2) + ".";
  }

  void staffSchedule() {
    std::map<std::string_view, std::int64_t> subdivisions;
    for (const auto& department : demo::departments()) {
      if (subdivisions.count(department.subdivision) == 0) {
        insert("BOLNICA", [&](RecordAccess& r) { r.setText("BOL:NOM", ru(department.subdivision)); });
        subdivisions[department.subdivision] = record("BOLNICA").integer("BOL:NUM");
      }
      insert("OTDELENI", [&](RecordAccess& r) {
        r.setInteger("OTD:NUM", subdivisions[department.subdivision]);
        r.setText("OTD:NOM", ru(department.name));
      });
      department_numbers_.push_back(record("OTDELENI").integer("OTD:NUMO"));
    }
  }

  // The staff units of every position, with the units the current staff occupy.
  void positions() {
    const auto departments = demo::departments();
    for (std::size_t index = 0; index < departments.size(); ++index) {
      std::vector<std::string_view> seen;
      for (const auto name : departments[index].professions) {
        const demo::Profession* profession = demo::findProfession(name);
        if (profession == nullptr || std::count(seen.begin(), seen.end(), profession->position) != 0)
          continue;
        seen.push_back(profession->position);
        const double occupied = occupied_[{index, profession->position}];
        insert("POSTT", [&](RecordAccess& r) {
          r.setInteger("POS:NUMO", department_numbers_[index]);
          r.setText("POS:NOM", ru(profession->position));
          r.setText("POS:KOL", decimalText(static_cast<double>(static_cast<std::int64_t>(occupied + 0.99)) +
                                           0.5 * static_cast<double>(generator_.between(0, 4))));
          r.setText("POS:KOLV", decimalText(occupied));
        });
      }
    }
  }

  std::size_t departmentFor(const demo::Profession& profession) {
    std::vector<std::size_t> matching;
    const auto departments = demo::departments();
    for (std::size_t index = 0; index < departments.size(); ++index) {
      for (const auto name : departments[index].professions) {
        if (name == profession.name) matching.push_back(index);
      }
    }
    return matching.empty() ? 0 : generator_.pick(std::span<const std::size_t>(matching));
  }

  std::int32_t before(std::int32_t date, std::int32_t years) { return DemoGenerator::addYears(date, -years); }

  void addEmployee(DemoSummary& summary) {
    const Role role = generator_.role();
    const demo::Profession& profession = generator_.professionFor(role);
    const auto person = generator_.person(generator_.maleFor(role), 20, 64);
    const std::int32_t graduated = DemoGenerator::addYears(person.birth, role == Role::Doctor  ? 23
                                                                         : role == Role::Nurse ? 19
                                                                                               : 18);
    const std::int32_t last_hiring = today_ - 30;
    const std::int32_t hired = generator_.dateBetween(
        std::min(std::max(graduated + 30, before(today_, 35)), last_hiring), last_hiring);
    const bool dismissed = generator_.chance(0.08);
    const std::int32_t left =
        dismissed ? generator_.dateBetween(std::min(hired + 180, today_ - 1), today_ - 1) : 0;
    const std::int32_t until = dismissed ? left : today_;
    const bool part_timer = generator_.chance(0.05);
    summary.dismissed += dismissed ? 1 : 0;
    summary.part_timers += part_timer ? 1 : 0;

    framework::TableManager& karta = dictionary_.manager("KARTA");
    if (karta.PrepareRecord() != framework::kLevelBenign) fail("KARTA", "cannot number a card of");
    RecordAccess card = record("KARTA");
    const std::int64_t number = card.integer("KAR:NUM");
    generator_.fillPersonalFields(card, person, role, profession);
    card.setInteger("KAR:DATA_ZAP", hired);
    card.setInteger("KAR:SOVMESTITEL", part_timer ? 1 : 0);
    if (dismissed) {
      static constexpr std::string_view kReasons[] = {"высвобождением", "уходом на пенсию",
                                                      "по собственному желанию", "др. причины"};
      card.setInteger("KAR:DATA_UVOL", left);
      card.setText("KAR:PRICHINA_UVOL", ru(kReasons[generator_.between(0, 3)]));
      card.setText("KAR:PRIKAZ_UVOL", std::to_string(generator_.between(1, 450)) + ru("-к"));
      card.setInteger("KAR:DATA_PRIKAZ_UVOL", left);
    }
    if (hired - graduated < 3 * 365 && role != Role::Junior) {
      static constexpr std::string_view kArrivals[] = {
          "самостоятельно", "с направлением службы занятости населения",
          "с удостоверением о направлении на работу", "по договорам (контрактам)"};
      card.setText("KAR:PRIBYL", ru(kArrivals[generator_.between(0, 3)]));
    }
    if (generator_.chance(0.1)) {
      const std::string note =
          ru("Участвует в работе профсоюзного комитета. Награждена грамотой к юбилею больницы.");
      dictionary_.file("KARTA").file().memo_values[0].assign(note.begin(), note.end());
    }

    const std::size_t department = departmentFor(profession);
    workHistory(number, profession, graduated, hired, left);
    const auto latest = appointments(number, role, profession, department, hired, until, part_timer);
    if (role == Role::Doctor || role == Role::Nurse)
      medicalRecords(number, profession, graduated, hired, until);
    if (role != Role::Doctor && generator_.chance(0.15)) professionalTraining(number, hired, until);
    if (!dismissed) leave(number, role, hired);
    family(number, person, card);

    if (updateAllDerived(dictionary_, number) != framework::kLevelBenign)
      fail("KARTA", "cannot derive the card of");
    if (karta.InsertQuiet() != framework::kLevelBenign) fail("KARTA", "cannot add a card to");
    if (!dismissed) occupied_[{latest.first, latest.second->position}] += latest_units_;
  }

  void workHistory(std::int64_t number, const demo::Profession& profession, std::int32_t graduated,
                   std::int32_t hired, std::int32_t left) {
    auto period = [&](std::int32_t start, std::int32_t end, std::string_view place, std::string_view name,
                      std::string_view code, std::string_view reason) {
      insert("TRUD", [&](RecordAccess& r) {
        r.setInteger("TRU:NUM", number);
        r.setInteger("TRU:DATAN", start);
        r.setInteger("TRU:DATAK", end);
        r.setText("TRU:MESTO", ru(place));
        r.setText("TRU:NOM", ru(name));
        r.setText("TRU:KOD_PROF", ru(code));
        r.setText("TRU:PRICHINA", ru(reason));
        storePeriodLength(r);
      });
    };
    // This hospital: the running period while the employee works here.
    period(hired, left, kThisHospital, profession.name, profession.code, left != 0 ? "увольнение" : "");
    static constexpr std::string_view kReasons[] = {"перевод", "по собственному желанию", "переезд",
                                                    "сокращение штатов"};
    std::int32_t end = hired;
    const auto earlier = generator_.between(0, 3);
    for (std::int64_t job = 0; job < earlier; ++job) {
      const auto draw = generator_.between(0, 99);
      end -= static_cast<std::int32_t>(draw < 70   ? generator_.between(1, 25)
                                       : draw < 90 ? generator_.between(26, 60)
                                                   : generator_.between(61, 700));
      const std::int32_t start = end - static_cast<std::int32_t>(generator_.between(200, 3000));
      if (start < graduated) break;
      const auto kind = generator_.between(0, 99);
      const demo::Profession& other = kind < 85 ? profession : generator_.professionFor(profession.role);
      period(start, end, generator_.pick(demo::employers()), kind < 95 ? other.name : "слесарь",
             kind < 85 ? other.code : "", generator_.pick(std::span<const std::string_view>(kReasons)));
      end = start;
    }
  }

  // Hiring and later transfers; the department and profession of the latest order.
  std::pair<std::size_t, const demo::Profession*> appointments(std::int64_t number, Role role,
                                                               const demo::Profession& profession,
                                                               std::size_t department, std::int32_t hired,
                                                               std::int32_t until, bool part_timer) {
    static constexpr std::string_view kStaffCategories[] = {"Врачи", "Средний медперсонал",
                                                            "Младший медперсонал", "Прочий персонал"};
    const auto departments = demo::departments();
    const demo::Profession* current = &profession;
    std::size_t place = department;
    std::int32_t when = hired;
    const auto transfers = generator_.between(0, 2);
    for (std::int64_t order = 0; order <= transfers; ++order) {
      if (order > 0) {
        when = generator_.dateBetween(when + 180, until);
        if (when >= until) break;
        place = departmentFor(*current);
      }
      latest_units_ = part_timer ? 0.5 : generator_.chance(0.1) ? 1.5 : 1.0;
      const bool head = role == Role::Doctor && order > 0 && generator_.chance(0.2);
      insert("RABOTA", [&](RecordAccess& r) {
        r.setInteger("RAB:NUM", number);
        r.setInteger("RAB:DATA", when);
        r.setText("RAB:OSNOVA", ru(order == 0 ? generator_.pick(demo::lookup("OSNOVA")) : "Перевод"));
        r.setInteger("RAB:DATA_PR", when);
        r.setText("RAB:NUM_PR", std::to_string(generator_.between(1, 450)) + ru("к"));
        r.setText("RAB:STRUKT", ru(departments[place].subdivision));
        r.setText("RAB:OTDELENIE", ru(departments[place].name));
        r.setText("RAB:PROF", ru(current->name));
        r.setText("RAB:KATEGOR", ru(kStaffCategories[static_cast<int>(role)]));
        r.setText("RAB:TARIF", decimalText(static_cast<double>(generator_.between(150000, 900000)) / 100.0));
        r.setText("RAB:USLOVIE", ru(generator_.chance(0.8) ? "нормальные" : "вредные"));
        r.setInteger("RAB:NUMO", department_numbers_[place]);
        r.setInteger("RAB:RAZRAD", generator_.between(1, 18));
        r.setInteger("RAB:STR", current->form17_line);
        r.setText("RAB:DOLGNOST", ru(head ? "Заведующий отделением" : current->position));
        r.setText("RAB:STAVKA", decimalText(latest_units_));
      });
    }
    return {place, current};
  }

  void medicalRecords(std::int64_t number, const demo::Profession& profession, std::int32_t graduated,
                      std::int32_t hired, std::int32_t until) {
    const demo::Speciality* speciality = demo::findSpeciality(profession.speciality);
    const std::string speciality_name = speciality != nullptr ? std::string(speciality->name) : std::string();
    const std::string group = speciality != nullptr ? std::string(speciality->form50_group) : std::string();
    // Training, certificates and attestations come round every five years.
    for (std::int32_t round = 0; round < 3; ++round) {
      const std::int32_t from = std::max(graduated, before(until, 5 * (round + 1)));
      const std::int32_t to = before(until, 5 * round) - 130;
      if (to <= from) break;
      if (generator_.chance(0.85)) {
        const std::int32_t start = generator_.dateBetween(from, to);
        const std::int32_t end = start + static_cast<std::int32_t>(generator_.between(14, 120));
        insert("POVYSH", [&](RecordAccess& r) {
          r.setInteger("POV:NUM", number);
          r.setInteger("POV:DATAN", start);
          r.setInteger("POV:DATAK", end);
          r.setText("POV:SROK", decimalText(static_cast<double>(end - start) / 30.0));
          r.setText("POV:MESTO", ru(demo::schools(Role::Doctor)[0]));
          r.setText("POV:VID", ru("Общее усовершенствование: ") + ru(speciality_name));
          r.setText("POV:DOCUMENT", ru(demo::lookup("DOCUMENT")[0]));
          r.setText("POV:NUMD", std::to_string(generator_.between(1000, 99999)));
          r.setInteger("POV:DATAD", end);
          r.setText("POV:VID1", ru(generator_.pick(demo::lookup("VID_KVAL"))));
          r.setText("POV:OSNOVA", ru("План учебы"));
        });
      }
      if (generator_.chance(0.85)) {
        insert("SERTIFIK", [&](RecordAccess& r) {
          r.setInteger("SER:NUM", number);
          r.setInteger("SER:DATAD", generator_.dateBetween(from, to));
          r.setText("SER:NUMD", ru("А ") + std::to_string(generator_.between(100000, 9999999)));
          r.setText("SER:SPEC", ru(speciality_name));
          r.setText("SER:SPEC50", ru(group));
          r.setText("SER:MESTO", ru(demo::schools(Role::Doctor)[0]));
        });
      }
    }
    // Categories are awarded from three years of work on, one step at a time.
    static constexpr std::string_view kSteps[] = {"Вторая", "Первая", "Высшая"};
    std::int32_t when = hired + 3 * 365;
    for (int step = 0; step < 3 && when < until && generator_.chance(0.7); ++step) {
      insert("ATTESTAT", [&](RecordAccess& r) {
        r.setInteger("ATT:NUM", number);
        r.setText("ATT:KATEGOR", ru(kSteps[step]));
        r.setText("ATT:REZULTAT", ru("Присвоена"));
        r.setText("ATT:NUMD", std::to_string(generator_.between(1, 900)) + ru("-ат"));
        r.setInteger("ATT:DATAD", when);
      });
      when += static_cast<std::int32_t>(generator_.between(3 * 365, 6 * 365));
    }
  }

  void professionalTraining(std::int64_t number, std::int32_t hired, std::int32_t until) {
    if (until - hired < 400) return;
    const demo::Speciality& speciality = generator_.pick(demo::specialities());
    const std::int32_t start = generator_.dateBetween(hired, until - 300);
    const std::int32_t months = static_cast<std::int32_t>(generator_.between(2, 10));
    insert("PODGOT", [&](RecordAccess& r) {
      r.setInteger("POD:NUM", number);
      r.setInteger("POD:DATAN", start);
      r.setInteger("POD:DATAK", start + months * 30);
      r.setInteger("POD:SROK", months);
      r.setText("POD:SPEC", ru(speciality.name));
      r.setText("POD:SPEC50", ru(speciality.form50_group));
      r.setText("POD:NUMD", std::to_string(generator_.between(10000, 999999)));
      r.setInteger("POD:DATAD", start + months * 30);
    });
  }

  // Annual leave for the working years completed lately.
  void leave(std::int64_t number, Role role, std::int32_t hired) {
    const auto years = std::min<std::int64_t>((today_ - hired) / 365, generator_.between(1, 3));
    for (std::int64_t back = years; back >= 1; --back) {
      const std::int32_t period_start =
          DemoGenerator::addYears(hired, static_cast<std::int32_t>((today_ - hired) / 365 - back));
      const std::int32_t period_end = DemoGenerator::addYears(period_start, 1) - 1;
      insert("OTPUSK", [&](RecordAccess& r) {
        r.setInteger("OTP:NUM", number);
        r.setInteger("OTP:DATANR", period_start);
        r.setInteger("OTP:DATAKR", period_end);
        r.setText("OTP:OSNOVA", ru(demo::lookup("OTOSNOVA")[0]));
        r.setText("OTP:VID", ru(demo::lookup("OTVID")[0]));
        r.setInteger("OTP:SROK", 28);
        r.setInteger("OTP:SROK1",
                     role == Role::Doctor || role == Role::Nurse ? generator_.between(0, 2) * 7 : 0);
        r.setInteger("OTP:SROK2", generator_.chance(0.2) ? 3 : 0);
        r.setInteger("OTP:SROK3", 0);
        computeLeaveSums(r);
        const std::int32_t start = generator_.dateBetween(period_start + 180, std::min(period_end, today_));
        r.setInteger("OTP:DATAN", start);
        r.setInteger("OTP:DATAK", start + static_cast<std::int32_t>(r.integer("OTP:SROK_ITOG")) - 1);
      });
    }
  }

  void family(std::int64_t number, const DemoGenerator::Person& person, RecordAccess card) {
    static constexpr std::string_view kSpouse[] = {"жена", "муж"};
    static constexpr std::string_view kChild[] = {"дочь", "сын"};
    auto member = [&](std::string_view relation, const DemoGenerator::Person& who) {
      insert("SOSTAV", [&](RecordAccess& r) {
        r.setInteger("SOS:NUM", number);
        r.setInteger("SOS:NUMS", ++family_members_);
        r.setText("SOS:IGDIVEN", ru(relation));
        r.setText("SOS:FAM", ru(who.surname));
        r.setText("SOS:NOM", ru(who.name));
        r.setText("SOS:PER", ru(who.patronymic));
        r.setInteger("SOS:DATR", who.birth);
      });
    };
    const std::string state = card.text("KAR:SEMJA");
    if (state == ru("женат") || state == ru("замужем")) {
      const std::int32_t birth = person.birth + static_cast<std::int32_t>(generator_.between(-2500, 2500));
      member(kSpouse[person.male ? 0 : 1], generator_.relative(person, !person.male, birth, true));
    }
    const std::int32_t first_child = DemoGenerator::addYears(person.birth, 20);
    const std::int32_t last_child = std::min(today_ - 30, DemoGenerator::addYears(person.birth, 40));
    const auto children = first_child < last_child ? generator_.between(0, 2) : 0;
    for (std::int64_t child = 0; child < children; ++child) {
      const bool son = generator_.chance(0.5);
      auto who = generator_.relative(person, son, generator_.dateBetween(first_child, last_child), true);
      if (person.male) {
        for (const auto& father : demo::maleNames()) {
          if (father.name == person.name) who.patronymic = son ? father.son : father.daughter;
        }
      }
      member(kChild[son ? 1 : 0], who);
    }
  }

  const DemoOptions& options_;
  framework::ErrorManager errors_;
  Dictionary dictionary_;
  DemoGenerator generator_;
  std::int32_t today_;
  framework::TransactionFrame frame_;
  std::vector<std::int64_t> department_numbers_;
  std::map<std::pair<std::size_t, std::string_view>, double> occupied_;
  double latest_units_ = 1.0;
  std::int64_t family_members_ = 0;
};

}  // namespace

std::string generateDemoData(const DemoOptions& options, DemoSummary* summary) {
  if (options.employees < 0 || options.employees > kMostDemoEmployees) {
    return "the number of employees must be between 0 and " + std::to_string(kMostDemoEmployees);
  }
  if (options.driver == nullptr) {
    std::error_code error;
    const std::string path = storage::platformPath(options.directory.empty() ? "." : options.directory);
    if (!std::filesystem::is_directory(path, error)) return "no directory " + path;
  }
  const std::int32_t today = options.today != 0 ? options.today : runtime::today();
  DemoSummary local;
  try {
    DemoWriter writer(options, today);
    writer.run(summary != nullptr ? *summary : local);
  } catch (const Failure& failure) {
    return failure.message;
  }
  return {};
}

}  // namespace veltrano::app
