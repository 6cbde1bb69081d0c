// The browse manager: a view manager that drives a list. It keeps the page of rows the list
// shows (never more than the list's visible rows), refills it as the clerk scrolls, keeps the
// selected record selected across refills, positions by the thumb through the order's step
// object, finds records through the order's locator, and turns the insert, change, delete and
// select buttons, keys and toolbar into update requests for the browse's form.
//
//   BrowseManager browse;
//   browse.Init(kList, ViewDefinition{{}, {&karta.file()}}, &karta_guard, &window);
//   browse.RegisterSortOrder(&surname_step, karta.key("KAR:FAM_KEY"));
//   browse.SetFilter("KAR:data_uvol=''", kStandardFilter);
//   browse.RegisterLocator(&surname_locator);           // after Init with the order's FREEELEMENT
//   browse.AddField(field("KAR:NUM"));                  // one per list column, in column order
//   browse.AddField(field("KAR:FAM"));
//   browse.INSERTCONTROL = kInsert; browse.CHANGECONTROL = kChange; browse.DELETECONTROL = kDelete;
//   browse.ASKPROCEDURE = 7;                            // VELTR007 through the window's registry
//   window.AddItem(&browse);                            // events, resets, kill
//
// Keys on the list: Insert (45) asks for an insert, Ctrl+Enter (525) and a double click (5) for a
// change (a double click selects while SELECTING), Delete (46) presses the delete button, a right
// click (130) selects the row under the mouse and opens the popup menu, Ctrl+E exports the list
// (as the popup's "Экспорт…" does); any other key goes to
// the current order's locator. What a browse needs of its popup menu, query and edit-in-place
// objects (POPUP, QUERY, EDITLIST, null when the browse has none; without a POPUP the browse makes
// a menu of its own): the popup's items added at
// initialisation and Ask on a right click, the query's Ask and filter text on the query button,
// the edit-in-place's editing of the selected row when there is no ASKPROCEDURE.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/browse/locators.h"
#include "framework/browse/step_objects.h"
#include "framework/browse/view_manager.h"
#include "framework/export/list_export.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_controller.h"

namespace veltrano::framework {

class EditInPlace;
class PopupMenu;
class QueryByExample;

// One row of the list: what its columns show, where its record is in the view, and the
// records it was made from (one per file of the view).
struct BrowseRow {
  std::vector<std::string> cells;
  std::string position;
  std::uint32_t pointer = 0;  // the primary record's place in its file
  std::vector<std::vector<std::uint8_t>> records;
};

// ReloadQueue modes.
inline constexpr std::uint8_t kReloadKeepPage = 0;    // the same page, the selection kept
inline constexpr std::uint8_t kReloadPositioned = 1;  // from where the view was put

// Fetch directions.
inline constexpr std::uint8_t kFetchForward = 1;
inline constexpr std::uint8_t kFetchBackward = 2;

class BrowseManager : public ViewManager, public RegisteredBrowse {
 public:
  // The browse as a toolbar target: the toolbar's buttons act on the list.
  class ToolbarItem final : public ToolbarTarget {
   public:
    explicit ToolbarItem(BrowseManager& browse) : BROWSE(&browse) {}
    bool TakeToolbarEvent(ui::ControlId button) override;
    bool Offers(ui::ControlId button) const override;

    ui::ControlId HELPBUTTON = 0;
    ui::ControlId INSERTBUTTON = 0;
    ui::ControlId CHANGEBUTTON = 0;
    ui::ControlId DELETEBUTTON = 0;
    ui::ControlId SELECTBUTTON = 0;
    BrowseManager* BROWSE = nullptr;
  };

  BrowseManager();
  ~BrowseManager() override;

  // REQUIRES: `window` outlives the browse and has described the window holding `list`.
  void Init(ui::ControlId list, ViewDefinition view, RelationGuard* primary, WindowController* window);
  void Kill() override;

  std::size_t RegisterSortOrder(StepObject* thumb, const storage::KeyDescriptor* key);
  // The locator of the order registered last; its FREEELEMENT and view are set here.
  void RegisterLocator(StepLocator* locator, ui::ControlId control = 0);
  // A field whose change (seen at the next reset) refills the current order's page.
  void RegisterResetField(FieldRef field);
  // Choosing tab `tab` (from 1) of `sheet` selects order `order`.
  void RegisterSortTab(ui::ControlId sheet, int tab, std::size_t order);
  // The next list column shows `view_field`, through the column's picture in the list's format
  // unless `picture` is given.
  void AddField(FieldRef view_field, std::string_view picture = {});
  void RegisterToolbarTarget(Toolbar* toolbar);

  void ReloadQueue(std::uint8_t mode);
  // Selects the order for the sheet's tab; refills when forced or when something changed.
  bool ReloadSort(bool force);
  // The page around the record in the buffer (after a locator or a completed form), keeping
  // the selected row's distance from the top when `keep_row` (else the record on top).
  void ReloadFromBuffer(bool keep_row = true);
  void ReloadFromView();
  // Reads up to ITEMSTOFILL rows in `direction`; the rows read.
  int Fetch(std::uint8_t direction);
  void StepOne(ui::EventCode event);
  void StepPage(ui::EventCode event);
  void StepEnd(ui::EventCode event);
  Level OnEvent(const ui::Event& event) override;
  Level OnKey(int key_code);
  void OnNewSelection(const ui::Event& event);
  void OnScroll(ui::EventCode event);
  void OnLocate();
  void OnLocatorAccepted();
  // Calls ASKPROCEDURE with the request (or edits the row in place) and refills by the answer;
  // the response.
  std::uint8_t Ask(std::uint8_t request);
  void CopyListToRecord();
  // "Экспорт…" (the popup menu's item, Ctrl+E): every row of the view into a file the clerk
  // chooses; the page shown is read again afterwards.
  ExportOutcome Export();
  // Reads the selected row's record again from its file, watched, so that a change another
  // station made meanwhile is seen (and a change made after it is refused with 89). False when
  // the record is gone.
  bool RefetchViewRecord();
  void RefreshWindow();

  // The window's own code. OnRefilled: the page has just been read anew from the view (the list
  // filled or reset, positioned from the buffer, sent to either end), before the selected row's
  // record goes into the buffer; a window that shows a count or totals over the whole view
  // makes them here, free to move the view and the buffer. OnAsked: the form called for
  // `request` has returned `response` and the page was refilled; WINDOW's VCRREQUEST tells
  // whether the form asked for another record at once.
  virtual void OnRefilled() {}
  virtual void OnAsked(std::uint8_t request, std::uint8_t response) { (void)request, (void)response; }

  // RegisteredBrowse.
  void ArmAlertKeys() override;
  bool ResetSort(bool force) override { return ReloadSort(force); }
  void UpdateWindow() override { RefreshWindow(); }
  bool ApplyRange() override;

  std::size_t Rows() const { return LISTQUEUE.size(); }
  const BrowseRow& Row(std::size_t index) const { return LISTQUEUE[index]; }

  // Fields, in their defined order.
  std::uint8_t ACTIVEINVISIBLE = 0;
  std::uint8_t ALLOWUNFILLED = 0;
  std::uint8_t ARROWACTION = 0;
  std::uint16_t ASKPROCEDURE = 0;
  ui::ControlId CHANGECONTROL = 0;
  std::int32_t CURRENTCHOICE = 0;
  std::int32_t CURRENTEVENT = 0;
  ui::ControlId DELETECONTROL = 0;
  EditInPlace* EDITLIST = nullptr;
  std::uint8_t ENTERACTION = 0;
  std::vector<FieldBinding> FIELDS;  // view field → list column, through the column's picture
  std::uint8_t FILELOADED = 0;
  std::uint8_t FOCUSLOSSACTION = 0;
  std::uint8_t HASTHUMB = 0;
  std::uint8_t HIDESELECT = 0;
  ui::ControlId INSERTCONTROL = 0;
  std::int32_t ITEMSTOFILL = 0;
  std::int32_t LASTCHOICE = 0;
  std::int32_t LASTITEMS = 0;
  ui::ControlId LISTCONTROL = 0;
  std::deque<BrowseRow> LISTQUEUE;
  std::uint8_t LOADED = 0;
  std::uint8_t LOADPENDING = 0;
  std::uint8_t RETAINROW = 1;
  ui::ControlId PRINTCONTROL = 0;
  std::uint16_t PRINTPROCEDURE = 0;
  PopupMenu* POPUP = nullptr;
  QueryByExample* QUERY = nullptr;
  ui::ControlId QUERYCONTROL = 0;
  std::uint8_t QUERYSHARED = 0;
  std::uint8_t QUICKSCAN = 1;
  std::uint8_t RECORDSTATUS = 0;
  ui::ControlId SELECTCONTROL = 0;
  std::uint8_t SELECTING = 0;
  std::deque<SortOrder> SORT;
  std::uint8_t STARTATCURRENT = 0;
  std::uint8_t TABACTION = 0;
  Toolbar* TOOLBAR = nullptr;
  ui::ControlId TOOLCONTROL = 0;
  ToolbarItem TOOLBARITEM{*this};
  std::string VIEWPOSITION;
  WindowController* WINDOW = nullptr;
  BrowseRow* Q = nullptr;

 protected:
  ui::WindowId window() const { return WINDOW != nullptr ? WINDOW->window() : 0; }
  ui::WindowEngine& engine() const { return ui::windowEngine(); }

 private:
  struct SortTab {
    ui::ControlId sheet = 0;
    int tab = 0;
    std::size_t order = 0;
  };

  bool listVisible();
  int visibleRows();
  // A row from the records the view read last.
  BrowseRow makeRow();
  // Reads up to ITEMSTOFILL rows in `direction`, letting the page grow to `most` rows.
  int fetch(std::uint8_t direction, std::size_t most);
  std::int32_t findRow(const std::string& position) const;
  // Reads the page from where the view stands, `selected` (or the first record read) kept at
  // `distance` rows from the top where the data allows.
  void fill(std::int32_t distance, std::string selected);
  void finishFill();
  void prepareThumbLimits();
  void updateThumb();
  bool resetFieldsChanged();
  void takeResetValues();
  void primeFromRange();
  void positionAtThumb(int thumb);
  std::size_t chosenSort();
  void navigate(int request);

  std::vector<SortTab> sort_tabs_;
  // The popup's items for the browse's controls, added once the window is open.
  void addPopupItems();
  std::uint8_t editRow(std::uint8_t request);

  bool popup_ready_ = false;
  // The menu of a browse whose window gave it none, so that every list offers its actions and
  // "Экспорт…" on the right mouse button.
  std::unique_ptr<PopupMenu> own_popup_;
  std::vector<std::size_t> limits_set_for_;  // orders whose thumb limits were read
  std::string limits_filter_;                // the filter the limits were read under
  int navigation_ = 0;                       // the VCRREQUEST of a window without its own
  bool at_top_ = false;
  bool at_bottom_ = false;
  bool killed_ = false;
};

}  // namespace veltrano::framework
