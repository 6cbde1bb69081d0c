// What the offscreen smoke tests share (included only by *_test.cpp): waiting on the Qt
// thread while procedures run, the screenshots' folder, and a measure of whether a picture
// shows anything.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <chrono>
#include <functional>
#include <set>
#include <thread>

namespace veltrano::ui::qt {

// Runs the Qt event loop until `done` holds; false when `limit` passes first.
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

// Where a screenshot goes: screenshots/ in the build directory, for a person to look at.
inline QString screenshotPath(const char* name) {
  QByteArray build = qgetenv("VELTRANO_BUILD_DIR");
  QDir directory(build.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(build));
  directory.mkpath(QStringLiteral("screenshots"));
  return directory.filePath(QStringLiteral("screenshots/") + QLatin1String(name));
}

// A blank or nearly blank picture has a handful of colours; a drawn window has many.
inline std::size_t distinctColours(const QImage& image) {
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  return colours.size();
}

}  // namespace veltrano::ui::qt
