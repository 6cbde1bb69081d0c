#include "app/frame/data_directory.h"

#include <memory>
#include <vector>

#include "app/demo/demo_data.h"
#include "app/dictionary/dictionary_files.h"
#include "platform/codepage.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/os_error.h"
#include "runtime/errors/error_state.h"
#include "storage/wendlock_driver.h"
#include "ui/message_box.h"

namespace veltrano::app {
namespace {

using platform::ru;

constexpr int kKeyFileMustBeRebuilt = 46;
constexpr int kAccessDenied = 5;
constexpr int kFileSystemError = 90;
// Read only, sharing everything with the other stations: looking at a file changes nothing in
// it, not even a pending update left by a station that died (that is applied by the first
// station that opens the file for writing).
constexpr std::uint32_t kLookOnly = 0x40;
constexpr std::uint32_t kReadWriteShared = 0x42;

std::string storageFileName(const FileSpec& spec) {
  return std::string(spec.label) + ".WLK";
}

unsigned tell(std::string_view text_1251, unsigned buttons = ui::kButtonOk,
              unsigned default_button = ui::kButtonOk, std::uint16_t icon = ui::kIconExclamation) {
  return ui::messageBox(
      ui::MessageBoxRequest{std::string(text_1251), ru("Каталог данных"), icon, buttons, default_button});
}

std::string osReason(int os_error) {
  const std::string_view text = platform::osErrorText(os_error);
  return text.empty() ? "error " + std::to_string(os_error) : std::string(text);
}

// "KARTA.WLK, TRUD.WLK" from the files' specs.
std::string listOf(const std::vector<const FileSpec*>& files) {
  std::string list;
  for (const FileSpec* spec : files) list += (list.empty() ? "" : ", ") + storageFileName(*spec);
  return list;
}

class DirectorySurvey {
 public:
  DirectorySurvey(storage::Driver& driver, std::string shown_path)
      : driver_(driver), shown_(ru("«") + platform::cp1251FromUtf8(shown_path) + ru("»")) {
    for (const FileSpec& spec : dictionaryFiles()) {
      (platform::fileSystem().exists(storageFileName(spec)) ? present_ : missing_).push_back(&spec);
    }
    writable_error_ = platform::probeWritable(".");
  }

  DataReadiness run(const DataDirectoryOptions& options) {
    if (present_.empty()) return firstStart(options);
    if (!missing_.empty() && !replaceMissing()) return DataReadiness::kEnd;
    if (!everyFileReadable()) return DataReadiness::kEnd;
    if (writable_error_ != 0) {
      tell(ru("Каталог данных ") + shown_ + ru(" доступен только для чтения (") +
           platform::cp1251FromUtf8(osReason(writable_error_)) +
           ru("). Данные можно просматривать, но изменения сохранить нельзя."));
      return DataReadiness::kReadOnly;
    }
    return DataReadiness::kReady;
  }

 private:
  DataReadiness firstStart(const DataDirectoryOptions& options) {
    if (writable_error_ != 0) {
      tell(ru("В каталоге данных ") + shown_ + ru(" нельзя создать файлы базы (") +
           platform::cp1251FromUtf8(osReason(writable_error_)) +
           ru("). Укажите другой каталог: veltrano --data КАТАЛОГ."));
      return DataReadiness::kEnd;
    }
    const unsigned answer =
        tell(ru("Каталог данных ") + shown_ +
                 ru(" пуст: программа запускается в нём впервые.\n\nЗаполнить его данными демонстрационного "
                    "учреждения (") +
                 std::to_string(options.demo_employees) +
                 ru(" сотрудников, штатное расписание и справочники)?\n\n«Да» — демонстрационные данные, "
                    "«Нет» — пустая база, «Отмена» — выйти из программы."),
             ui::kButtonYes + ui::kButtonNo + ui::kButtonCancel, ui::kButtonNo, ui::kIconQuestion);
    if (answer == ui::kButtonCancel) return DataReadiness::kEnd;
    if (answer == ui::kButtonYes) {
      DemoOptions demo;
      demo.employees = options.demo_employees;
      const std::string failure = generateDemoData(demo);
      if (!failure.empty()) {
        tell(ru("Не удалось заполнить каталог демонстрационными данными: ") +
             platform::cp1251FromUtf8(failure));
        return DataReadiness::kEnd;
      }
      return DataReadiness::kReady;
    }
    return createMissing() ? DataReadiness::kReady : DataReadiness::kEnd;
  }

  bool replaceMissing() {
    if (writable_error_ != 0) {
      tell(ru("В каталоге данных ") + shown_ + ru(" нет файлов: ") + listOf(missing_) +
           ru(".\n\nВерните их из резервной копии: создать их здесь нельзя, каталог доступен только для "
              "чтения."));
      return false;
    }
    const unsigned answer = tell(
        ru("В каталоге данных ") + shown_ + ru(" нет файлов: ") + listOf(missing_) +
            ru(".\n\nЕсли они были удалены или перенесены по ошибке, выйдите из программы и верните их из "
               "резервной копии.\n\nСоздать вместо них пустые файлы?"),
        ui::kButtonYes + ui::kButtonNo, ui::kButtonNo, ui::kIconQuestion);
    return answer == ui::kButtonYes && createMissing();
  }

  // Opening a missing file creates it empty (every dictionary file is declared CREATE); one
  // that another station created meanwhile is simply opened.
  bool createMissing() {
    for (const FileSpec* spec : missing_) {
      std::unique_ptr<storage::DeclaredFile> file = declareDictionaryFile(*spec, driver_);
      storage::OperationArguments open;
      open.access_mode = kReadWriteShared;
      storage::fileStatement(storage::Operation::Open, file->file(), open);
      if (runtime::errorCode() == 2) storage::fileStatement(storage::Operation::Create, file->file());
      const int code = runtime::errorCode();
      const std::string reason = runtime::errorText80();
      storage::fileStatement(storage::Operation::Close, file->file());
      if (code != 0) {
        tell(ru("Не удалось создать файл ") + storageFileName(*spec) + ": " + trimmed(reason) + " (" +
             std::to_string(code) + ").");
        return false;
      }
    }
    return true;
  }

  bool everyFileReadable() {
    std::string problems;
    std::string first_damaged;
    for (const FileSpec* spec : present_) {
      std::unique_ptr<storage::DeclaredFile> file = declareDictionaryFile(*spec, driver_);
      storage::OperationArguments open;
      open.access_mode = kLookOnly;
      storage::fileStatement(storage::Operation::Open, file->file(), open);
      const runtime::ErrorState state = runtime::errorState();
      storage::fileStatement(storage::Operation::Close, file->file());
      // Keys that must be rebuilt are the file manager's to rebuild when the file opens; the
      // records themselves are sound.
      if (state.code == 0 || state.code == kKeyFileMustBeRebuilt) continue;
      std::string what = state.code == kFileSystemError && !state.file_error.empty()
                             ? state.file_error + " (" + state.file_error_code + ")"
                             : state.text + " (" + std::to_string(state.code) + ")";
      if (state.code == kAccessDenied)
        what += ru(": файл занят другой программой или нет прав на его чтение");
      problems += "\n" + storageFileName(*spec) + ": " + what;
      if (first_damaged.empty()) first_damaged = storageFileName(*spec);
    }
    if (problems.empty()) return true;
    tell(ru("Файлы базы в каталоге ") + shown_ + ru(" не удаётся прочитать:") + problems +
         ru("\n\nПрограмма их не изменяла. Проверьте файл командой «wlk check ") + first_damaged +
         ru("»; если повреждены ключи, их восстановит «wlk build ") + first_damaged +
         ru("» (сначала сделайте копию файла). Затем запустите программу снова."));
    return false;
  }

  static std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  storage::Driver& driver_;
  std::string shown_;
  std::vector<const FileSpec*> present_;
  std::vector<const FileSpec*> missing_;
  int writable_error_ = 0;
};

}  // namespace

std::string defaultDataDirectory() {
  std::string chosen = platform::environmentValue("VELTRANO_DATA");
  if (!chosen.empty()) return chosen;
  const std::string home = platform::environmentValue("HOME");
  return (home.empty() ? std::string(".") : home) + "/veltrano-data";
}

DataReadiness prepareDataDirectory(const DataDirectoryOptions& options) {
  if (const int error = platform::createDirectories(options.path); error != 0) {
    tell(ru("Не удалось создать каталог данных «") + platform::cp1251FromUtf8(options.path) + ru("»: ") +
         platform::cp1251FromUtf8(osReason(error)) + ".");
    return DataReadiness::kEnd;
  }
  if (const int error = platform::changeDirectory(options.path); error != 0) {
    tell(ru("Не удалось перейти в каталог данных «") + platform::cp1251FromUtf8(options.path) + ru("»: ") +
         platform::cp1251FromUtf8(osReason(error)) + ".");
    return DataReadiness::kEnd;
  }
  return DirectorySurvey(storage::wendlockDriver(), options.path).run(options);
}

}  // namespace veltrano::app
