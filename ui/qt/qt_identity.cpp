#include "ui/qt/qt_identity.h"

#include <QApplication>
#include <QIcon>
#include <QString>

// The resource lives in a static library: naming it here keeps it in the program.
static void initialiseIconResource() {
  Q_INIT_RESOURCE(veltrano_icon);
}

namespace veltrano::ui::qt {

QIcon programIcon() {
  initialiseIconResource();
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/veltrano/icons/%1x%1/veltrano.png").arg(size), QSize(size, size));
  }
  return icon;
}

void applyProgramIdentity(QApplication& application) {
  QCoreApplication::setApplicationName(QStringLiteral("veltrano"));
  QCoreApplication::setOrganizationName(QStringLiteral("Veltrano"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VELTRANO_VERSION));
  // The desktop entry's name: the desktop matches the windows to it and shows its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("veltrano"));
  application.setWindowIcon(programIcon());
}

}  // namespace veltrano::ui::qt
