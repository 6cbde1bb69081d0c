#include "ui/qt/qt_identity.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <set>

namespace veltrano::ui::qt {
namespace {

// The icon comes from the engine's compiled-in resources: every size is there, drawn (not
// blank), and it is what a window without an icon of its own shows.
TEST(QtIdentity, EveryWindowShowsTheProgramIconInEverySize) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char program[] = "ui_qt_tests";
  char* argv[] = {program, nullptr};
  QApplication application(argc, argv);
  applyProgramIdentity(application);
  EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("veltrano"));

  const QIcon shown = QWidget().windowIcon();
  EXPECT_EQ(shown.availableSizes().size(), 6);
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    const QImage image = shown.pixmap(QSize(size, size)).toImage();
    ASSERT_EQ(image.size(), QSize(size, size)) << size;
    std::set<QRgb> colours;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 4u) << size << "x" << size << " is blank";
  }
}

}  // namespace
}  // namespace veltrano::ui::qt
