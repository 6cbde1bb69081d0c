#include "platform/profile.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/os_error.h"

namespace veltrano::platform {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

bool IniFile::load() {
  sections_.clear();
  auto& files = fileSystem();
  int error = 0;
  auto file = files.open(path_, Access::ReadOnly, Creation::OpenExisting, &error);
  if (file == nullptr) return false;
  const auto length = file->size();
  if (length < 0) return false;
  std::string content(static_cast<std::size_t>(length), '\0');
  const auto got = file->read(0, std::span(reinterpret_cast<std::uint8_t*>(content.data()), content.size()));
  if (got.error != 0) return false;
  content.resize(got.bytes);

  Section* current = nullptr;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string_view line = trim(std::string_view(content).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      const auto name = trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
      current = findSection(name);
      if (current == nullptr) {
        sections_.push_back(Section{std::string(name), {}});
        current = &sections_.back();
      }
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || current == nullptr) continue;
    const auto key = trim(line.substr(0, equals));
    const auto value = trim(line.substr(equals + 1));
    bool replaced = false;
    for (auto& entry : current->entries) {
      if (equalsIgnoringCase(entry.key, key)) {
        entry.value = std::string(value);
        replaced = true;
      }
    }
    if (!replaced) current->entries.push_back(Entry{std::string(key), std::string(value)});
  }
  return true;
}

int IniFile::save() const {
  std::string content;
  for (const auto& section : sections_) {
    content += "[" + section.name + "]\n";
    for (const auto& entry : section.entries) content += entry.key + "=" + entry.value + "\n";
    content += "\n";
  }
  // The temporary lies beside the file it replaces, named from the file's full path: a file with
  // no name has no place, and a bare ".new" must never appear in whatever directory is current.
  const std::string target = absolutePath(path_);
  if (target.empty()) return kOsPathNotFound;
  auto& files = fileSystem();
  const std::string temporary = target + ".new";
  int error = 0;
  {
    auto file = files.open(temporary, Access::ReadWrite, Creation::Truncate, &error);
    if (file == nullptr) return error;
    const auto put =
        file->write(0, std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
    error = put.error != 0 ? put.error : put.bytes != content.size() ? kOsWriteFault : file->sync();
  }
  if (error == 0) error = files.rename(temporary, target);
  if (error != 0) files.remove(temporary);
  return error;
}

IniFile::Section* IniFile::findSection(std::string_view name) {
  for (auto& section : sections_) {
    if (equalsIgnoringCase(section.name, name)) return &section;
  }
  return nullptr;
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
  for (const auto& section : sections_) {
    if (equalsIgnoringCase(section.name, name)) return &section;
  }
  return nullptr;
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view key) const {
  const auto* found = findSection(section);
  if (found == nullptr) return std::nullopt;
  for (const auto& entry : found->entries) {
    if (equalsIgnoringCase(entry.key, key)) return entry.value;
  }
  return std::nullopt;
}

std::string IniFile::getString(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
  auto value = get(section, key);
  return value ? *value : std::string(fallback);
}

long IniFile::getInt(std::string_view section, std::string_view key, long fallback) const {
  const auto value = get(section, key);
  if (!value) return fallback;
  const char* text = value->c_str();
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  return end == text ? 0 : number;
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
  auto* found = findSection(section);
  if (found == nullptr) {
    sections_.push_back(Section{std::string(section), {}});
    found = &sections_.back();
  }
  for (auto& entry : found->entries) {
    if (equalsIgnoringCase(entry.key, key)) {
      entry.value = std::string(value);
      return;
    }
  }
  found->entries.push_back(Entry{std::string(key), std::string(value)});
}

void IniFile::removeKey(std::string_view section, std::string_view key) {
  auto* found = findSection(section);
  if (found == nullptr) return;
  std::erase_if(found->entries, [&](const Entry& entry) { return equalsIgnoringCase(entry.key, key); });
}

std::string systemProfilePath() {
  if (const char* explicit_path = std::getenv("VELTRANO_PROFILE");
      explicit_path != nullptr && *explicit_path) {
    return explicit_path;
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.config/veltrano/profile.ini";
}

namespace {
std::mutex profile_mutex;
std::unique_ptr<IniFile> profile;
}  // namespace

const IniFile& systemProfile() {
  std::lock_guard lock(profile_mutex);
  if (!profile) {
    profile = std::make_unique<IniFile>(systemProfilePath());
    profile->load();
  }
  return *profile;
}

void reloadSystemProfile() {
  std::lock_guard lock(profile_mutex);
  profile.reset();
}

}  // namespace veltrano::platform
