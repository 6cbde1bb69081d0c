// Text crosses between the program (code page 1251) and Qt (UTF-16) here and nowhere else.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace veltrano::ui::qt {

inline QString toQt(std::string_view cp1251) {
  return QString::fromStdString(platform::utf8From1251(cp1251));
}

inline std::string fromQt(const QString& text) {
  return platform::cp1251FromUtf8(text.toStdString());
}

}  // namespace veltrano::ui::qt
