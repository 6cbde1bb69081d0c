#include "ui/qt/qt_icons.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>
#include <cctype>
#include <string>

namespace veltrano::ui::qt {
namespace {

struct NamedIcon {
  std::string_view name;
  QStyle::StandardPixmap pixmap;
};

constexpr NamedIcon kIcons[] = {
    {"ABUPROW.ICO", QStyle::SP_ArrowUp},
    {"ABDNROW.ICO", QStyle::SP_ArrowDown},
    {"ABINSERT.ICO", QStyle::SP_FileIcon},
    {"ABDELETE.ICO", QStyle::SP_TrashIcon},
    {"ABPRINT.ICO", QStyle::SP_DriveFDIcon},
    {"ABQUERY.ICO", QStyle::SP_FileDialogContentsView},
    {"ABCHANGE.ICO", QStyle::SP_FileDialogDetailedView},
};

}  // namespace

QIcon runtimeIcon(std::string_view name) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (const NamedIcon& icon : kIcons) {
    if (icon.name == upper) return QApplication::style()->standardIcon(icon.pixmap);
  }
  return QIcon();
}

}  // namespace veltrano::ui::qt
