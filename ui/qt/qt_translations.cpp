#include "ui/qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace veltrano::ui::qt {

bool installRussianTranslations(QCoreApplication& application) {
  // Widgets, dialogs and message boxes take their texts from Qt's base module. The translator is
  // parented to the application so that it lives as long as the texts it translates.
  auto* translator = new QTranslator(&application);
  const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                        QStringLiteral("_"), directory)) {
    delete translator;
    return false;
  }
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  return QCoreApplication::installTranslator(translator);
}

}  // namespace veltrano::ui::qt
