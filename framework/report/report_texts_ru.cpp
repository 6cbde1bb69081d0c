#include <array>

#include "framework/report/report_texts.h"

namespace veltrano::framework {
namespace {

constexpr std::array kReportTexts{
    // The progress window.
    Translation{"Progress...", "Выполнение..."},
    Translation{"% Complete", "% выполнено"},
    Translation{"Cancel", "Отмена"},
    // The preview window.
    Translation{"Report Preview", "Предварительный просмотр отчёта"},
    Translation{"&File", "&Файл"},
    Translation{"&Print", "&Печать"},
    Translation{"Print the report", "Напечатать отчёт"},
    Translation{"Save &As...", "Сохранить &как…"},
    Translation{"E&xit", "В&ыход"},
    Translation{"Exit without printing the report", "Выйти, не печатая отчёт"},
    Translation{"&View", "&Вид"},
    Translation{"&Next Page(s)", "&Следующие страницы"},
    Translation{"View the next page or pages of the report",
                "Показать следующую страницу или страницы отчёта"},
    Translation{"&Previous Page(s)", "&Предыдущие страницы"},
    Translation{"&Jump to a page", "П&ерейти на страницу"},
    Translation{"Jump to a specific page of the report", "Перейти на заданную страницу отчёта"},
    Translation{"&Change Display", "&Изменить вид"},
    Translation{"Change the number of pages displayed", "Изменить число показываемых страниц"},
    Translation{"&Zoom", "&Масштаб"},
    Translation{"Print", "Печать"},
    Translation{"Exit", "Выход"},
    Translation{"Zoom", "Масштаб"},
    Translation{"Print this report", "Напечатать этот отчёт"},
    Translation{"Zoom in on a page of the report", "Увеличить страницу отчёта"},
    Translation{"&Page:", "&Страница:"},
    Translation{"&Across:", "По &горизонтали:"},
    Translation{"Select the number of thumbnails in a row", "Число страниц в ряду"},
    Translation{"&Down:", "По &вертикали:"},
    Translation{"Select the number of thumbnails in a column", "Число страниц в столбце"},
    Translation{"Z&oom:", "Мас&штаб:"},
    Translation{"Set zoom to standard or user defined value",
                "Выбрать масштаб или ввести свой (в процентах)"},
    Translation{"Enter a page number from 1 to ", "Введите номер страницы от 1 до "},
    Translation{"Page ", "Страница "},
    Translation{"Tile pages", "Несколько страниц"},
    Translation{"Page Width", "По ширине страницы"},
    Translation{"50% Zoom", "Масштаб 50%"},
    Translation{"75% Zoom", "Масштаб 75%"},
    Translation{"100% Zoom", "Масштаб 100%"},
    Translation{"200% Zoom", "Масштаб 200%"},
    Translation{"300% Zoom", "Масштаб 300%"},
    Translation{"Zoom: Tile Pages", "Масштаб: несколько страниц"},
    Translation{"Zoom: Page Width", "Масштаб: по ширине страницы"},
    Translation{"Zoom: 50%", "Масштаб: 50%"},
    Translation{"Zoom: 75%", "Масштаб: 75%"},
    Translation{"Zoom: 100%", "Масштаб: 100%"},
    Translation{"Zoom: 200%", "Масштаб: 200%"},
    Translation{"Zoom: 300%", "Масштаб: 300%"},
    Translation{"Zoom: ", "Масштаб: "},
    // The jump dialog.
    Translation{"Jump to a Report Page", "Переход на страницу отчёта"},
    Translation{"Select a page of the report", "Выберите страницу отчёта"},
    Translation{"&Jump", "&Перейти"},
    Translation{"Jump to the selected page", "Перейти на выбранную страницу"},
    Translation{"Cancel this selection", "Отменить выбор"},
    // The display dialog.
    Translation{"Change the Report Display", "Вид просмотра отчёта"},
    Translation{"Pages Displayed", "Показывать страниц"},
    Translation{"Across", "По горизонтали"},
    Translation{"Down", "По вертикали"},
    Translation{"&OK", "&ОК"},
    Translation{"&Cancel", "О&тмена"},
};

}  // namespace

std::span<const Translation> reportTextsRussian() {
  return kReportTexts;
}

}  // namespace veltrano::framework
