#include "framework/window/settings_file.h"

#include <charconv>
#include <optional>

#include "platform/directory.h"

namespace veltrano::framework {
namespace {

// Positions may be negative (a window pulled partly off the frame), sizes must leave a window
// to see; anything beyond either is not a placement anyone made.
constexpr int kFarthest = 20000;
constexpr int kSmallest = 40;

std::optional<int> number(const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [at, problem] = std::from_chars(text.data(), end, value);
  if (problem != std::errc() || at != end || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

void SettingsFile::Init(std::string_view file_name) {
  // The file is the one the name means now: a procedure that later changes the working directory
  // must not carry the placements off to another. A name is never cut short, which would make it
  // name another file.
  FILENAME = platform::absolutePath(file_name);
}

platform::IniFile SettingsFile::load() const {
  platform::IniFile file(FILENAME);
  file.load();
  return file;
}

std::string SettingsFile::Fetch(std::string_view section, std::string_view entry) {
  std::optional<std::string> value = load().get(section, entry);
  return value ? *value : std::string(kUnknown);
}

bool SettingsFile::Update(std::string_view section, std::string_view entry, std::string_view value) {
  platform::IniFile file = load();
  file.set(section, entry, value);
  return file.save() == 0;
}

void SettingsFile::FetchWindow(std::string_view section, ui::WindowId window, bool resizable) {
  const platform::IniFile file = load();
  auto entry = [&](std::string_view name) { return file.getString(section, name, kUnknown); };
  ui::WindowEngine& engine = ui::windowEngine();
  std::optional<ui::Placement> placement = engine.placement(window);
  if (!placement) return;
  if (entry("Maximize") == "Yes") {
    placement->maximized = true;
    engine.setPlacement(window, *placement);
    return;
  }
  std::optional<int> x = number(entry("XPos"), -kFarthest, kFarthest);
  std::optional<int> y = number(entry("YPos"), -kFarthest, kFarthest);
  if (!x || !y) return;
  placement->at.x = *x;
  placement->at.y = *y;
  placement->maximized = false;
  if (resizable) {
    std::optional<int> width = number(entry("Width"), kSmallest, kFarthest);
    std::optional<int> height = number(entry("Height"), kSmallest, kFarthest);
    if (width && height) {
      placement->at.width = *width;
      placement->at.height = *height;
    }
  }
  engine.setPlacement(window, *placement);
}

bool SettingsFile::UpdateWindow(std::string_view section, ui::WindowId window) {
  std::optional<ui::Placement> placement = ui::windowEngine().placement(window);
  if (!placement) return false;
  platform::IniFile file = load();
  file.set(section, "Maximize", placement->maximized ? "Yes" : "No");
  // A maximised window keeps the place it had before, so that it comes back there when restored.
  if (!placement->maximized) {
    file.set(section, "XPos", std::to_string(placement->at.x));
    file.set(section, "YPos", std::to_string(placement->at.y));
    file.set(section, "Width", std::to_string(placement->at.width));
    file.set(section, "Height", std::to_string(placement->at.height));
  }
  return file.save() == 0;
}

}  // namespace veltrano::framework
