// INI files: the system profile that stands for the Windows profile (sections "intl",
// "VSWENDLOCK", "VSVIEW"), and the program's own settings files such as "veltrano.INI".
//
// An INI file is lines of "[section]" and "key=value"; section and key names compare without
// regard to ASCII case; ";" starts a comment line. Values are returned as they stand in the file
// (the files are UTF-8; callers convert). A missing file reads as empty, so every look-up gives
// its default.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::platform {

class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  // Reads the file; a missing or unreadable file leaves the contents empty and returns false.
  bool load();
  // Writes the file through a temporary and a rename, so a crash never leaves half a file.
  // Returns 0 or an operating-system error number.
  int save() const;

  std::optional<std::string> get(std::string_view section, std::string_view key) const;
  std::string getString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // The leading integer of the value (as the Windows profile reads it), or the default.
  long getInt(std::string_view section, std::string_view key, long fallback) const;
  void set(std::string_view section, std::string_view key, std::string_view value);
  void removeKey(std::string_view section, std::string_view key);

  const std::string& path() const { return path_; }

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  Section* findSection(std::string_view name);
  const Section* findSection(std::string_view name) const;

  std::string path_;
  std::vector<Section> sections_;
};

// The path of the system profile: $VELTRANO_PROFILE, else ~/.config/veltrano/profile.ini.
std::string systemProfilePath();

// The system profile, loaded on first use (and again after reloadSystemProfile()).
const IniFile& systemProfile();
void reloadSystemProfile();

}  // namespace veltrano::platform
