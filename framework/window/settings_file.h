// The settings file ("veltrano.INI" in the working directory): entries by section, and the
// placement of each window under its label. A missing entry reads as "---Unknown---", which
// means absent. Nothing here fails loudly: a missing, empty, unreadable or damaged file reads as
// absent entries (windows open where they were designed), and a file that cannot be written
// simply keeps no placement; so does a settings file never given a name.
//
//   SettingsFile settings;
//   settings.Init("veltrano.INI");                 // the one in the working directory now
//   settings.FetchWindow("Karta", window, true);   // on open: maximised, or moved and sized
//   …
//   settings.UpdateWindow("Karta", window);        // on close
#pragma once

#include <string>
#include <string_view>

#include "platform/profile.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class SettingsFile {
 public:
  static constexpr std::string_view kUnknown = "---Unknown---";

  void Init(std::string_view file_name);
  // The entry's value, kUnknown when it is absent.
  std::string Fetch(std::string_view section, std::string_view entry);
  // Writes the entry; false when the file could not be written.
  bool Update(std::string_view section, std::string_view entry, std::string_view value);

  // "Maximize" "Yes" maximises the window; otherwise, when "XPos" and "YPos" are present (and
  // sensible), the window is moved there, and sized to "Width" and "Height" when resizable.
  void FetchWindow(std::string_view section, ui::WindowId window, bool resizable);
  // Writes the window's present placement; false when the file could not be written.
  bool UpdateWindow(std::string_view section, ui::WindowId window);

  std::string FILENAME;

 private:
  platform::IniFile load() const;
};

}  // namespace veltrano::framework
