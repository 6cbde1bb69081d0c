// What the Qt smoke tests share (included only by tests): pumping the Qt loop until something
// happens, where screenshots go, and a check that a screenshot shows a drawn window.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <chrono>
#include <functional>
#include <set>
#include <thread>

namespace veltrano::ui::qt::testing {

inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Under the build directory's "screenshots" folder.
inline QString screenshotPath(const char* name) {
  QByteArray build = qgetenv("VELTRANO_BUILD_DIR");
  QDir directory(build.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(build));
  directory.mkpath(QStringLiteral("screenshots"));
  return directory.filePath(QStringLiteral("screenshots/") + QLatin1String(name));
}

// A blank or nearly blank picture has a handful of colours; a drawn window has many.
inline std::size_t distinctColours(const QString& path) {
  QImage image(path);
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  return colours.size();
}

}  // namespace veltrano::ui::qt::testing
