// Locators: how a clerk finds a record in a list by typing. A locator belongs to a sort order
// and writes what was typed into the order's free key component; the browse then refills from
// the record buffer (step and entry locators) or from the start under a filter (the filtered
// locator).
//
//   StepLocator       a letter typed on the list jumps to the first record at or after it;
//   EntryLocator      the typed text (SHADOW, at most 40 characters) grows and shrinks with
//                     each key, BackSpace and Space included, and the list follows the prefix;
//                     its entry control (CONTROL, optional) shows it and can be typed into;
//   FilteredLocator   the typed text filters the list ("3 Locator"): records whose field begins
//                     with it, or with FLOATRIGHT contains it anywhere.
//
//   EntryLocator surname;
//   surname.Init(kSurnameEntry, browse.CurrentOrder().FREEELEMENT, true, &browse);
//   browse.RegisterLocator(&surname);
#pragma once

#include <cstdint>
#include <string>

#include "framework/table_manager.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class ViewManager;

class StepLocator {
 public:
  virtual ~StepLocator() = default;

  // The operations, in their fixed order. OnKey and OnAccepted return 1 when the page must be
  // refilled (from the buffer, or for the filtered locator from the start).
  virtual void Kill() {}
  virtual std::string GetShadow() const { return {}; }
  virtual void Reset();
  // Alerts on `list` the keys the locator takes.
  virtual void ArmAlertKeys(ui::WindowId window, ui::ControlId list);
  virtual int OnAccepted(ui::WindowId window);
  virtual int OnKey(int key_code);
  virtual void RefreshWindow(ui::WindowId window);
  // Writes `text` into the order's free element (ViewManager::SetFreeElement).
  virtual void Set(std::string_view text);

  // `control`: the locator's entry control (0 for none). REQUIRES: `view` outlives the locator.
  void Init(ui::ControlId control, const KeyComponent& free_element, bool nocase, ViewManager* view);
  // Whether refilling means from the start under the locator's filter rather than from the buffer.
  virtual bool Filters() const { return false; }

  ViewManager* VIEWMANAGER = nullptr;
  ui::ControlId CONTROL = 0;
  KeyComponent FREEELEMENT;
  std::uint8_t NOCASE = 0;
};

class EntryLocator : public StepLocator {
 public:
  static constexpr std::size_t kShadowWidth = 40;

  std::string GetShadow() const override { return SHADOW; }
  void Reset() override;
  void ArmAlertKeys(ui::WindowId window, ui::ControlId list) override;
  int OnAccepted(ui::WindowId window) override;
  int OnKey(int key_code) override;
  void RefreshWindow(ui::WindowId window) override;

  std::string SHADOW;

 protected:
  // Takes the key into SHADOW; false for a key the locator does not take.
  bool takeKey(int key_code);
};

class FilteredLocator final : public EntryLocator {
 public:
  void Reset() override;
  int OnAccepted(ui::WindowId window) override;
  void Set(std::string_view text) override;
  bool Filters() const override { return true; }
  // The filter the typed text makes (empty when nothing is typed).
  std::string FilterText() const;

  std::uint8_t FLOATRIGHT = 0;
};

}  // namespace veltrano::framework
