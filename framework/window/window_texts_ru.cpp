#include <array>

#include "framework/window/window_texts.h"

namespace veltrano::framework {
namespace {

constexpr std::array kWindowTexts{
    Translation{"&OK", "&ОК"},
    Translation{"OK", "ОК"},
    Translation{"&Cancel", "О&тмена"},
    Translation{"Cancel", "Отмена"},
    Translation{"&Close", "&Закрыть"},
    Translation{"Close", "Закрыть"},
    Translation{"&Help", "&Справка"},
    Translation{"Help", "Справка"},
    Translation{"&Insert", "&Добавить"},
    Translation{"&Change", "&Изменить"},
    Translation{"&Delete", "&Удалить"},
    Translation{"&Select", "&Выбрать"},
    Translation{"&Query", "&Запрос"},
    Translation{"&Print", "&Печать"},
    Translation{"&Toolbox", "&Панель действий"},
    Translation{"Insert a new Record", "Добавить новую запись"},
    Translation{"Change the Record", "Изменить запись"},
    Translation{"Delete the Record", "Удалить запись"},
    Translation{"Select the Record", "Выбрать запись"},
    Translation{"Go to the Last Page", "Перейти на последнюю страницу"},
    Translation{"Go to the First Page", "Перейти на первую страницу"},
    Translation{"Go to the Next Page", "Перейти на следующую страницу"},
    Translation{"Go to the Prior Page", "Перейти на предыдущую страницу"},
    Translation{"Go to the Next Record", "Перейти к следующей записи"},
    Translation{"Go to the Prior Record", "Перейти к предыдущей записи"},
    Translation{"Recall the Saved Value", "Вернуть сохранённое значение"},
};

}  // namespace

std::span<const Translation> windowTextsRussian() {
  return kWindowTexts;
}

}  // namespace veltrano::framework
