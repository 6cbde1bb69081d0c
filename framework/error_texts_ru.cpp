// The error manager's table speaks English except for the application's four entries; these
// are its titles and messages as the clerk reads them. Placeholders stay as they are: the
// template is translated first and filled afterwards.
#include <array>

#include "framework/error_manager.h"
#include "framework/translator.h"

namespace veltrano::framework {
namespace {

constexpr std::array kErrorTexts{
    // Titles.
    Translation{"Invalid Key", "Неверный ключ"},
    Translation{"Key was not built", "Ключ не построен"},
    Translation{"File Creation Error", "Ошибка создания файла"},
    Translation{"Procedure not defined", "Процедура не определена"},
    Translation{"Range Error", "Значение вне диапазона"},
    Translation{"Field contents error", "Неверное значение поля"},
    Translation{"Referential Integrity Update Error", "Ошибка целостности при изменении"},
    Translation{"Referential Integrity Delete Error", "Ошибка целостности при удалении"},
    Translation{"Record Insert Error", "Ошибка добавления записи"},
    Translation{"Record Was Not Updated", "Запись не изменена"},
    Translation{"Record Delete Error", "Ошибка удаления записи"},
    Translation{"Invalid Request", "Недопустимый запрос"},
    Translation{"Changes will be lost!", "Изменения будут потеряны!"},
    Translation{"Duplicate Key Error", "Повтор ключа"},
    Translation{"Auto Increment Error", "Ошибка автонумерации"},
    Translation{"File Load Error", "Ошибка загрузки файла"},
    Translation{"Beginning of File Error", "Начало файла"},
    Translation{"End of File Error", "Конец файла"},
    Translation{"File Access Error", "Ошибка доступа к файлу"},
    Translation{"Record was not deleted", "Запись не удалена"},
    Translation{"Save Record", "Сохранение записи"},
    Translation{"Transaction cancelled", "Транзакция отменена"},
    Translation{"Record Retrieval Error", "Ошибка чтения записи"},
    Translation{"View Open Error", "Ошибка открытия выборки"},
    Translation{"Record Added", "Запись добавлена"},
    Translation{"Record not read", "Запись не прочитана"},
    Translation{"Add New Record?", "Добавить запись?"},
    Translation{"Value Error", "Неверное значение"},
    Translation{"Access Denied", "Доступ запрещён"},
    Translation{"File Usage Error", "Ошибка использования файла"},
    // Messages.
    Translation{"%File key file is invalid. Key must be rebuilt.",
                "Ключи файла %File повреждены и должны быть построены заново."},
    Translation{"Error: (%ErrorText) repairing key for %File.",
                "Ошибка (%ErrorText) при восстановлении ключей файла %File."},
    Translation{"Error: (%ErrorText) creating %File.", "Ошибка (%ErrorText) при создании файла %File."},
    Translation{"The Procedure %Message has not been defined.", "Процедура %Message не определена."},
    Translation{"The value of %Field must be lower than %Message.",
                "Значение поля %Field должно быть меньше %Message."},
    Translation{"The value of %Field must be higher than %Message.",
                "Значение поля %Field должно быть больше %Message."},
    Translation{"The value of %Field must be between %Message.",
                "Значение поля %Field должно лежать в пределах %Message."},
    Translation{"The value of %Field must be found in the %Message file.",
                "Значение поля %Field должно быть в файле %Message."},
    Translation{"This record is referenced from the file %File. Linking field(s) have been restricted from "
                "change and have been reset to original values.",
                "На эту запись ссылается файл %File. Связующие поля менять нельзя, им возвращены прежние "
                "значения."},
    Translation{"This record is referenced from the file %File. This record cannot be deleted while these "
                "references exist.",
                "На эту запись ссылается файл %File. Пока есть такие ссылки, запись удалить нельзя."},
    Translation{"An error was experienced during the creation of a record. Error: %ErrorText.",
                "При добавлении записи произошла ошибка: %ErrorText."},
    Translation{"This record was changed by another station.",
                "Эту запись изменили на другом рабочем месте."},
    Translation{"This record was changed by another station. Those changes will now be displayed. Use the "
                "Ditto Button or Ctrl+' to recall your changes.",
                "Эту запись изменили на другом рабочем месте. Сейчас будут показаны те изменения. Свои "
                "значения можно вернуть кнопкой «Повтор» или клавишами Ctrl+'."},
    Translation{"An error was experienced deleting this record. Do you want to try to delete it again?",
                "При удалении записи произошла ошибка. Попробовать удалить её ещё раз?"},
    Translation{"This form cannot be used to insert a record",
                "Эта форма не предназначена для добавления записи"},
    Translation{"This form cannot be used to update a record",
                "Эта форма не предназначена для изменения записи"},
    Translation{"This form cannot be used to delete a record",
                "Эта форма не предназначена для удаления записи"},
    Translation{"Are you sure you want to cancel?", "Вы действительно хотите отказаться от изменений?"},
    Translation{"Adding this record creates a duplicate entry for the key: %Message",
                "Запись с таким значением ключа уже есть: %Message"},
    Translation{"Attempts to automatically number this record have failed.  Error: %ErrorText. Try Again?",
                "Не удалось присвоить записи номер. Ошибка: %ErrorText. Попробовать ещё раз?"},
    Translation{"%File File Load Error.  Error: %ErrorText.", "Ошибка загрузки файла %File: %ErrorText."},
    Translation{"The beginning of the file was encountered. Do you want to start again from the end of the "
                "file?",
                "Достигнуто начало файла. Продолжить с конца файла?"},
    Translation{"The end of the file was encountered. Do you want to start again from the beginning?",
                "Достигнут конец файла. Продолжить с начала?"},
    Translation{"File (%File) could not be opened.  Error: %ErrorText.",
                "Не удалось открыть файл %File. Ошибка: %ErrorText."},
    Translation{"An error (%ErrorText) was experienced when deleting a record from the %File file.",
                "Ошибка (%ErrorText) при удалении записи из файла %File."},
    Translation{"Do you want to save the changes to this record?", "Сохранить изменения в этой записи?"},
    Translation{"Error: (%ErrorText) attempting to frame the transaction on %File.",
                "Ошибка (%ErrorText) при начале транзакции над файлом %File."},
    Translation{"Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
                "previous window.",
                "Ошибка (%ErrorText) при чтении записи из файла %File. Возврат в предыдущее окно."},
    Translation{"Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored.",
                "Ошибка (%ErrorText) при открытии выборки. Фильтр и границы выборки не учтены."},
    Translation{"This record has been added to the file. Do you want to add another record?",
                "Запись добавлена в файл. Добавить ещё одну запись?"},
    Translation{"A record held by another station was encountered reading from the %File file.",
                "При чтении файла %File встретилась запись, занятая другим рабочим местом."},
    Translation{"Record match not found, do you wish to add a new one?",
                "Такого значения в списке нет. Добавить новую запись?"},
    Translation{"The value of %Field must be in the list : %Message.",
                "Значение поля %Field должно быть из списка: %Message."},
    Translation{"Could not get write access to %File so trying read-only.",
                "Нет доступа на запись к файлу %File, файл открыт только для чтения."},
    Translation{"Attempt to use file (%File) before it was opened",
                "Обращение к файлу %File до его открытия"},
    Translation{ErrorManager::kFatalSuffix, "  Нажмите ОК, чтобы завершить работу программы"},
};

}  // namespace

std::span<const Translation> errorTextsRussian() {
  return kErrorTexts;
}

}  // namespace veltrano::framework
