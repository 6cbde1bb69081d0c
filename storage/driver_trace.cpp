#include "storage/driver_trace.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <thread>

#include "platform/file.h"
#include "storage/declaration_dump.h"
#include "storage/file_name.h"

namespace veltrano::storage {
namespace {

std::string traceFileName(const platform::IniFile& profile, std::string_view section,
                          std::string_view fallback) {
  std::string name = profile.getString(section, "TraceFile", fallback);
  if (name.empty()) return std::string(fallback);
  if (name.size() > kLongestTraceFileName) name.resize(kLongestTraceFileName);
  return name;
}

bool allowsDetails(std::string_view options) {
  return upperCase1251(options).find("ALLOWDETAILS") != std::string::npos;
}

}  // namespace

DriverTraceSettings DriverTraceSettings::read(const platform::IniFile& profile, bool encrypted,
                                              std::string_view driver_options) {
  DriverTraceSettings settings;
  settings.on = profile.getInt("VSWENDLOCK", "Profile", 0) != 0;
  settings.file = traceFileName(profile, "VSWENDLOCK", kDefaultDriverTraceFile);
  if (!encrypted || allowsDetails(driver_options)) {
    settings.details = profile.getInt("VSWENDLOCK", "Details", 0) != 0;
  }
  return settings;
}

ViewTraceSettings ViewTraceSettings::read(const platform::IniFile& profile) {
  ViewTraceSettings settings;
  settings.on = profile.getInt("VSVIEW", "Profile", 0) != 0;
  settings.into_files = profile.getInt("VSVIEW", "TraceIntoFiles", 0) != 0;
  if (settings.on) settings.file = traceFileName(profile, "VSVIEW", kDefaultViewTraceFile);
  return settings;
}

void TraceLog::append(const std::string& path, std::string_view text) {
  int error = 0;
  auto file = platform::fileSystem().open(platformPath(path), platform::Access::ReadWrite,
                                          platform::Creation::OpenOrCreate, &error);
  if (!file) return;
  const std::int64_t end = file->size(&error);
  if (end < 0) return;
  file->write(static_cast<std::uint64_t>(end),
              {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

int TraceLog::threadNumber() {
  const std::size_t self = std::hash<std::thread::id>()(std::this_thread::get_id());
  std::lock_guard guard(mutex_);
  for (const auto& [thread, number] : threads_) {
    if (thread == self) return number;
  }
  threads_.emplace_back(self, static_cast<int>(threads_.size()) + 1);
  return threads_.back().second;
}

void TraceLog::trace(const DriverTraceSettings& settings, const FileControlBlock& file,
                     const TracedOperation& traced) {
  if (!settings.on) return;
  std::string text;
  if (settings.details) {
    std::lock_guard guard(mutex_);
    if (dumped_.emplace(upperCase1251(settings.file), &file).second) text = dumpDeclaration(file);
  }
  text += formatTraceEntry(traced, settings.details);
  std::lock_guard guard(mutex_);
  append(settings.file, text);
}

void TraceLog::traceView(const ViewTraceSettings& settings, std::uintptr_t view, std::string_view text) {
  if (!settings.on) return;
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "VIEW:%lX:", static_cast<unsigned long>(view));
  std::string line = prefix;
  line += text;
  line += "\r\n";
  std::lock_guard guard(mutex_);
  append(settings.file, line);
}

TraceLog& traceLog() {
  static TraceLog log;
  return log;
}

}  // namespace veltrano::storage
