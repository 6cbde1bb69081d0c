// What the clerk reads for the texts the popup, query and chooser objects carry in English.
#include <array>

#include "framework/browse/popup_texts.h"

namespace veltrano::framework {
namespace {

constexpr std::array kPopupTexts{
    // The browse's menu items and its toolbox.
    Translation{"&Insert", "&Добавить"},
    Translation{"&Change", "&Изменить"},
    Translation{"&Delete", "&Удалить"},
    Translation{"&Print", "&Печать"},
    Translation{"&Query", "&Запрос"},
    Translation{"&Select", "&Выбрать"},
    Translation{"&Export...", "&Экспорт…"},
    Translation{"&Toolbox", "&Панель действий"},
    Translation{"Browse Actions", "Действия со списком"},
    // The "Example values" window.
    Translation{"Example values", "Образец для поиска"},
    Translation{"Condition", "Условие"},
    Translation{"Value or pattern", "Значение или образец"},
    Translation{"From", "От"},
    Translation{"To", "До"},
    Translation{"OK", "ОК"},
    Translation{"Cancel", "Отмена"},
    // The "Choose items and order" dialog.
    Translation{"Choose items and order", "Выбор и порядок элементов"},
    Translation{"&Available items", "&Доступные элементы"},
    Translation{"&Selected items", "&Выбранные элементы"},
    Translation{"&Finish", "&Готово"},
};

}  // namespace

std::span<const Translation> popupTextsRussian() {
  return kPopupTexts;
}

}  // namespace veltrano::framework
