// The view manager: one view over a primary file with its sort orders. Each order has a key, its
// range limits and its named filters; the manager opens the view, builds the view's filter text
// from the current order's range and filters, and reads records forward and backward. The
// browse manager, the drop-down lists and the report and process managers all stand on it.
//
//   ViewManager view;
//   view.Init(ViewDefinition{{}, {&karta.file()}}, &karta_guard);
//   view.RegisterSortOrder(karta.key("KAR:FAM_KEY"));
//   view.SetFilter("KAR:data_uvol=''", "5 Standard");
//   view.RegisterSortOrder(trud.key("TRU:NUM_KEY"));      // an order limited to one employee
//   view.RegisterRange(trud_num, kLimitSingle, {numg});   // TRU:NUM = numg
//   view.SetSort(1);
//   view.Reset();                                          // opens; next reads from the start
//   while (view.Next() == kLevelBenign) …                  // 5 at the end, 3 after a read error
//   view.Kill();
//
// The filter's names are the fields of the view's files, bound while the text is set, and every
// name the program has bound (the application's globals). A filter the view cannot take raises
// id 40 through the primary file's manager and the view is read without filter and range.
// REQUIRES: the view's files are open (the window opens them) whenever the view is read.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/field_pairs.h"
#include "framework/level.h"
#include "framework/relation_guard.h"
#include "runtime/view/view_descriptor.h"
#include "storage/view_cursor.h"

namespace veltrano::framework {

class StepLocator;
class StepObject;

// LIMITTYPE.
inline constexpr std::uint8_t kLimitNone = 0;
inline constexpr std::uint8_t kLimitCurrent = 1;  // each component equals its value when the order was set
inline constexpr std::uint8_t kLimitSingle = 2;   // each component equals a given variable
inline constexpr std::uint8_t kLimitPair = 3;     // the last component between a lower and an upper bound
inline constexpr std::uint8_t kLimitFile = 4;     // the values come from fields of another file

// The framework's own filter ids; filters join in the order of their ids.
inline constexpr std::string_view kLocatorFilter = "3 Locator";
inline constexpr std::string_view kStandardFilter = "5 Standard";
inline constexpr std::string_view kQueryFilter = "9 - QBE";

struct ViewDefinition {
  runtime::ViewDescriptor descriptor;  // file numbers index `files`; the primary is file 0
  std::vector<storage::FileControlBlock*> files;
};

// A field whose change makes a browse refill (RESETS), with its value at the last fill.
struct ResetField {
  FieldRef FIELD;
  FieldCopy VALUE;
};

class ViewManager {
 public:
  struct NamedFilter {
    std::string ID;  // at most 30 characters
    std::string FILTER;
  };
  // One sort order (an ORDER record; the browse manager's SORT record adds its last three).
  struct SortOrder {
    std::vector<NamedFilter> FILTER;  // in ID order
    KeyComponent FREEELEMENT;         // the first component no range fixes (locators write it)
    std::uint8_t LIMITTYPE = kLimitNone;
    const storage::KeyDescriptor* MAINKEY = nullptr;
    std::string ORDER;        // the view's order text: the key's components, then what is appended
    SavedPairList RANGELIST;  // LEFT: a key component; RIGHT: the value it is limited to
    StepLocator* LOCATOR = nullptr;
    std::vector<ResetField> RESETS;
    StepObject* THUMB = nullptr;
    std::deque<FieldCopy> values;  // the values a kLimitCurrent range keeps
    std::size_t fixed = 0;         // key components fixed by the range
  };

  ViewManager();
  virtual ~ViewManager();
  ViewManager(const ViewManager&) = delete;
  ViewManager& operator=(const ViewManager&) = delete;

  // Takes a record read from the view: 0 takes it, 1 skips it (reading goes on), 2 stops
  // reading as at the end. Takes every record by default.
  virtual int ValidateRecord();

  // REQUIRES: the files outlive the manager. Without `orders` the manager keeps its own
  // (DISPOSEORDER); a deque, so that orders keep their place as more are added.
  void Init(ViewDefinition view, RelationGuard* primary, std::deque<SortOrder>* orders = nullptr);
  virtual void Kill();

  // Adds an order by `key` (a key of the primary file) and returns its number (from 1).
  std::size_t RegisterSortOrder(const storage::KeyDescriptor* key);
  // Appends order components ("-KAR:DATR") after the key's.
  void AppendOrder(std::string_view components);
  // A range on the current order's key component `component` (its field in the primary
  // buffer): kLimitCurrent with no values; kLimitSingle with the limiting field; kLimitPair with
  // the lower and the upper bound; kLimitFile with the other file's field. False for a field that
  // is not a component of the order's key.
  bool RegisterRange(FieldRef component, std::uint8_t limit_type, std::vector<FieldRef> limits = {});
  // Sets (or, with an empty text, removes) the current order's named filter `id`.
  void SetFilter(std::string_view filter, std::string_view id = kStandardFilter);
  // Selects order `order` (from 1); true when the order changed.
  bool SetSort(std::size_t order);
  // The filter text of the current order's range and filters, as UseFilter gives it to the view.
  std::string FilterText() const;
  // Gives the view its filter; false (after id 40) when the view did not take it.
  bool UseFilter();
  // True, and the filter rebuilt, when a range limit moved since it was applied.
  bool UseRange();
  virtual Level Open();
  void Close();
  // Opens the view when needed, applies the order and filter, and puts it before the first
  // record of the order.
  virtual void Reset();
  Level Next();
  Level Previous();

  // Writes `value` into the current order's free key component and clears the components after
  // it to their lowest, so that positioning from the buffer finds the first record at or after it.
  void SetFreeElement(std::string_view value);

  SortOrder& CurrentOrder() { return (*ORDER)[CURRENT - 1]; }
  const SortOrder& CurrentOrder() const { return (*ORDER)[CURRENT - 1]; }
  std::size_t Orders() const { return ORDER->size(); }
  // The view's file number `index` (0 the primary).
  storage::FileControlBlock* File(std::size_t index) const;

  // Fields, in their defined order.
  std::uint8_t DISPOSEORDER = 0;
  std::uint8_t OPENED = 0;
  std::deque<SortOrder>* ORDER = nullptr;
  std::uint16_t PAGESAHEAD = 0;
  std::uint16_t PAGESBEHIND = 2;
  std::uint16_t PAGESIZE = 20;
  RelationGuard* PRIMARY = nullptr;
  std::uint16_t TIMEOUT = 60;
  storage::ViewCursor* VIEW = nullptr;
  std::size_t CURRENT = 0;  // the current order's number; 0 before the first is registered

 protected:
  // The view's order and filter for the current order; false when the view refused either.
  bool applyOrder();
  Level read(bool forward);
  ViewDefinition definition_;

 private:
  std::string literalOf(FieldRef value, bool upper) const;
  std::string rangeText(const SortOrder& order) const;
  void takeCurrentValues(SortOrder& order);

  std::deque<SortOrder> owned_orders_;
  std::unique_ptr<storage::ViewCursor> cursor_;
  std::string applied_filter_;
  std::string applied_order_;
  bool filter_applied_ = false;
};

}  // namespace veltrano::framework
