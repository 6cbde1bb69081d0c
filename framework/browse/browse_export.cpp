// "Экспорт…" of a browse: every row its view selects, not only the page shown, with the list's
// column titles, widths and pictures. The view is read from its start; the page the clerk saw
// is read again from its rows' positions afterwards, the selection kept.
#include "framework/browse/browse_manager.h"
#include "framework/export/list_export.h"
#include "storage/driver.h"

namespace veltrano::framework {
namespace {

class BrowseRows final : public ExportSource {
 public:
  explicit BrowseRows(BrowseManager& browse) : browse_(browse) {}

  std::string Title() const override {
    return browse_.WINDOW != nullptr ? browse_.WINDOW->definition().window.caption : std::string();
  }

  std::vector<ExportColumn> Columns() const override {
    std::vector<ExportColumn> listed;
    if (browse_.WINDOW != nullptr) {
      for (const ui::ControlDescription& control : browse_.WINDOW->definition().window.controls)
        if (control.id == browse_.LISTCONTROL) listed = exportColumns(control.format);
    }
    // A column the browse adds past its format has no title; each shows through its field's picture.
    listed.resize(browse_.FIELDS.size());
    for (std::size_t at = 0; at < listed.size(); ++at) listed[at].picture = browse_.FIELDS[at].picture;
    return listed;
  }

  std::int64_t Expected() const override {
    storage::FileControlBlock* primary = browse_.File(0);
    return primary != nullptr ? storage::fileStatement(storage::Operation::RecordsFile, *primary) : 0;
  }

  bool Start() override {
    if (browse_.PRIMARY != nullptr) browse_.PRIMARY->EnableQuickScan(true, 1);
    browse_.Reset();
    return true;
  }

  Read Next(std::vector<std::string>& cells) override {
    const Level read = browse_.Next();
    if (read == kLevelNotify) return Read::kEnd;
    if (read != kLevelBenign) return Read::kFailed;
    cells.clear();
    for (const FieldBinding& column : browse_.FIELDS) cells.push_back(shownText(column));
    return Read::kRow;
  }

  void Finish() override {
    if (browse_.PRIMARY != nullptr) browse_.PRIMARY->EnableQuickScan(false, 1);
    browse_.ReloadQueue(kReloadKeepPage);
    browse_.RefreshWindow();
  }

 private:
  BrowseManager& browse_;
};

}  // namespace

ExportOutcome BrowseManager::Export() {
  BrowseRows rows(*this);
  return exportList(rows);
}

}  // namespace veltrano::framework
