#include "app/frame/frame_texts.h"

namespace veltrano::app {
namespace {

constexpr framework::Translation kTexts[] = {
    {"Setup Printer", "Настройка принтера"},
    {"Exit this application", "Выход из программы"},
    {"Create and Arrange windows", "Расположение окон"},
    {"Make all open windows visible", "Показать все открытые окна рядом"},
    {"Stack all open windows", "Расположить окна каскадом"},
    {"Align all window icons", "Выровнять значки свёрнутых окон"},
};

}  // namespace

std::span<const framework::Translation> frameTextsRussian() {
  return kTexts;
}

}  // namespace veltrano::app
