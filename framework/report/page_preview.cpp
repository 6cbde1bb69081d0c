#include "framework/report/page_preview.h"

#include <algorithm>
#include <charconv>

#include "framework/report/described_controls.h"
#include "framework/report/preview_dialogs.h"
#include "framework/report/report_printer.h"
#include "framework/report/report_save.h"
#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

using namespace preview;

constexpr int kToolRow = 34;

ui::MenuItem item(ui::ControlId id, std::string text) {
  ui::MenuItem made;
  made.id = id;
  made.text = std::move(text);
  return made;
}

ui::MenuItem submenu(std::string text, std::vector<ui::MenuItem> items) {
  ui::MenuItem made;
  made.text = std::move(text);
  made.items = std::move(items);
  return made;
}

ui::MenuItem separator() {
  ui::MenuItem made;
  made.separator = true;
  return made;
}

std::optional<int> numberIn(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '%')) text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  int number = 0;
  auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (problem != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace

PagePreview::PagePreview() {
  ZOOMQUEUE = {
      {ui::kZoomTile, "Tile pages", "Zoom: Tile Pages"},
      {ui::kZoomPageWidth, "Page Width", "Zoom: Page Width"},
      {50, "50% Zoom", "Zoom: 50%"},
      {75, "75% Zoom", "Zoom: 75%"},
      {100, "100% Zoom", "Zoom: 100%"},
      {200, "200% Zoom", "Zoom: 200%"},
      {300, "300% Zoom", "Zoom: 300%"},
  };
}

std::string PagePreview::translated(std::string_view text) const {
  return TRANSLATOR != nullptr ? TRANSLATOR->TranslateString(text) : std::string(text);
}

int PagePreview::ZoomNow() const {
  if (USERPERCENTILE > 0) return USERPERCENTILE;
  return ZOOMQUEUE[std::min(ZOOMINDEX, ZOOMQUEUE.size() - 1)].PERCENTILE;
}

bool PagePreview::Display(const ui::report::ReportPages& pages) {
  PRINTOK = 0;
  if (pages.pages.empty()) return false;
  pages_ = &pages;
  IMAGEQUEUE = pages.pages;
  FIRSTPAGE = 1;
  CURRENTPAGE = 1;
  USERPERCENTILE = 0;
  ZOOMINDEX = 1;
  for (std::size_t index = 0; index < ZOOMQUEUE.size(); ++index) {
    if (ZOOMQUEUE[index].PERCENTILE == INITZOOM) ZOOMINDEX = index;
  }
  if (ZOOMQUEUE[ZOOMINDEX].PERCENTILE != INITZOOM && INITZOOM > 0) USERPERCENTILE = INITZOOM;
  Run();
  pages_ = nullptr;
  return PRINTOK != 0;
}

void PagePreview::describe() {
  ui::WindowDescription window;
  window.kind = ui::WindowKind::kMdiChild;
  window.name = "veltrano$PREVIEW";
  window.label = kPreviewSection;
  window.caption = "Report Preview";
  window.at = {WINXPOS, WINYPOS, WINWIDTH, WINHEIGHT};
  window.maximized = MAXIMIZE != 0;
  window.status_widths = {220, 320};

  std::vector<ui::MenuItem> zooms;
  for (std::size_t index = 0; index < ZOOMQUEUE.size(); ++index) {
    zooms.push_back(
        item(static_cast<ui::ControlId>(kMenuZoom + static_cast<int>(index)), ZOOMQUEUE[index].MENUTEXT));
  }
  window.menu = {
      submenu("&File", {item(kMenuPrint, "&Print"), item(kMenuSaveAs, "Save &As..."), separator(),
                        item(kMenuExit, "E&xit")}),
      submenu("&View",
              {item(kMenuNext, "&Next Page(s)"), item(kMenuPrevious, "&Previous Page(s)"), separator(),
               item(kMenuJump, "&Jump to a page"), item(kMenuChangeDisplay, "&Change Display")}),
      submenu("&Zoom", zooms),
  };

  int pages = PageCount();
  auto& controls = window.controls;
  controls.push_back(
      describedControl(kPrintButton, ui::ControlKind::kButton, {4, 4, 76, 26}, "Print", "Print this report"));
  controls.push_back(describedControl(kExitButton, ui::ControlKind::kButton, {84, 4, 76, 26}, "Exit",
                                      "Exit without printing the report"));
  controls.push_back(describedControl(kZoomButton, ui::ControlKind::kButton, {164, 4, 76, 26}, "Zoom",
                                      "Zoom in on a page of the report"));
  controls.push_back(describedControl(kPagePrompt, ui::ControlKind::kPrompt, {252, 9, 72, 20}, "&Page:"));
  ui::ControlDescription page_box = describedSpin(kPageBox, {324, 5, 64, 24}, 1, std::max(pages, 1), 1);
  if (pages > 1) {
    // Composed after translation, so the translator leaves it as it is.
    page_box.tip = translated("Enter a page number from 1 to ") + std::to_string(pages);
  } else {
    page_box.disabled = true;
  }
  controls.push_back(page_box);
  controls.push_back(
      describedControl(kAcrossPrompt, ui::ControlKind::kPrompt, {398, 9, 112, 20}, "&Across:"));
  controls.push_back(describedSpin(kAcrossBox, {510, 5, 48, 24}, 1, 8, PAGESACROSS,
                                   "Select the number of thumbnails in a row"));
  controls.push_back(describedControl(kDownPrompt, ui::ControlKind::kPrompt, {568, 9, 100, 20}, "&Down:"));
  controls.push_back(describedSpin(kDownBox, {668, 5, 48, 24}, 1, 8, PAGESDOWN,
                                   "Select the number of thumbnails in a column"));
  controls.push_back(describedControl(kZoomPrompt, ui::ControlKind::kPrompt, {726, 9, 74, 20}, "Z&oom:"));
  ui::ControlDescription zoom = describedControl(kZoomBox, ui::ControlKind::kCombo, {800, 5, 190, 24}, {},
                                                 "Set zoom to standard or user defined value");
  zoom.read_only = ALLOWUSERZOOM == 0;
  controls.push_back(zoom);
  controls.push_back(describedControl(kPages, ui::ControlKind::kPageView,
                                      {0, kToolRow, WINWIDTH, std::max(WINHEIGHT - kToolRow, 100)}));

  WindowDefinition definition;
  definition.window = std::move(window);
  definition.first_field = kPages;
  std::vector<std::string> zoom_rows;
  for (const ZoomEntry& entry : ZOOMQUEUE) zoom_rows.push_back(translated(entry.MENUTEXT));
  definition.fixed_lists.emplace_back(kZoomBox, std::move(zoom_rows));
  Describe(std::move(definition));
  FIRSTFIELD = kPages;
}

Level PagePreview::Init() {
  describe();
  bool placed_by_caller = WINDOWPOSSET != 0 || WINDOWSIZESET != 0;
  SetSettings(placed_by_caller ? nullptr : INIMGR);
  Level opened = WindowController::Init();
  if (opened != kLevelBenign) return opened;
  ShowPages();
  return kLevelBenign;
}

void PagePreview::ShowPages() {
  int pages = PageCount();
  CURRENTPAGE = std::clamp(CURRENTPAGE, 1, std::max(pages, 1));
  int zoom = ZoomNow();
  ui::PageView view;
  view.zoom = zoom;
  view.across = PAGESACROSS;
  view.down = PAGESDOWN;
  view.first_page = CURRENTPAGE;
  int shown = zoom == ui::kZoomTile ? PAGESACROSS * PAGESDOWN : 1;
  for (int page = CURRENTPAGE; page < CURRENTPAGE + shown && page <= pages; ++page) {
    view.pages.push_back(IMAGEQUEUE[static_cast<std::size_t>(page - 1)]);
  }
  THUMBNAILSPRESENT = zoom == ui::kZoomTile ? 1 : 0;
  engine().setPages(window(), kPages, view);
  engine().setValue(window(), kPageBox, std::to_string(CURRENTPAGE));
  engine().setValue(window(), kAcrossBox, std::to_string(PAGESACROSS));
  engine().setValue(window(), kDownBox, std::to_string(PAGESDOWN));
  engine().setStatusText(window(), 0, translated("Page ") + std::to_string(CURRENTPAGE));
  std::string zoom_text = USERPERCENTILE > 0 ? translated("Zoom: ") + std::to_string(USERPERCENTILE) + "%"
                                             : translated(ZOOMQUEUE[ZOOMINDEX].STATUSTEXT);
  engine().setStatusText(window(), 1, zoom_text);
  engine().setValue(
      window(), kZoomBox,
      USERPERCENTILE > 0 ? std::to_string(USERPERCENTILE) + "%" : translated(ZOOMQUEUE[ZOOMINDEX].MENUTEXT));
  bool at_end = CURRENTPAGE + shown > pages;
  engine().setEnabled(window(), kMenuNext, !at_end);
  engine().setEnabled(window(), kMenuPrevious, CURRENTPAGE > 1);
}

void PagePreview::SetZoom(std::size_t index) {
  if (index >= ZOOMQUEUE.size()) return;
  ZOOMINDEX = index;
  USERPERCENTILE = 0;
  ShowPages();
}

void PagePreview::GotoPage(int page) {
  CURRENTPAGE = std::clamp(page, 1, std::max(PageCount(), 1));
  ShowPages();
}

void PagePreview::turn(int by) {
  int step = ZoomNow() == ui::kZoomTile ? PAGESACROSS * PAGESDOWN : 1;
  int page = CURRENTPAGE + by * step;
  if (page < 1 || page > PageCount()) page = by > 0 ? CURRENTPAGE : 1;
  GotoPage(page);
}

void PagePreview::zoomIn(int page) {
  CURRENTPAGE = page;
  SetZoom(1);
}

bool PagePreview::Print() {
  if (pages_ == nullptr) return false;
  ui::PrinterChoice asked = currentPrinter();
  asked.page_count = PageCount();
  asked.first_page = 1;
  asked.last_page = PageCount();
  std::optional<ui::PrinterChoice> chosen = engine().printerSetupDialog(asked);
  if (!chosen) return false;
  setCurrentPrinter(*chosen);
  if (!printReport(*pages_, *chosen, translated("Print"))) return false;
  PRINTOK = 1;
  NoteResponse(kResponseCompleted);
  return true;
}

bool PagePreview::SaveAs() {
  if (pages_ == nullptr) return false;
  const std::optional<ExportTarget> target = askExportTarget(platform::ru("Сохранить как: ") + pages_->title);
  if (!target) return false;
  if (std::optional<std::string> failure = saveReport(*pages_, *target)) {
    tellExportFailure(*failure);
    return false;
  }
  return true;
}

Level PagePreview::OnAccepted(const ui::Event& event) {
  const ui::ControlId id = event.control;
  if (id >= kMenuZoom && id < kMenuZoom + static_cast<int>(ZOOMQUEUE.size())) {
    SetZoom(static_cast<std::size_t>(id - kMenuZoom));
    return kLevelBenign;
  }
  auto number = [&](ui::ControlId box) { return numberIn(engine().value(window(), box).value_or("")); };
  switch (id) {
    case kMenuPrint:
    case kPrintButton: Print(); return kLevelBenign;
    case kMenuSaveAs: SaveAs(); return kLevelBenign;
    case kMenuExit:
    case kExitButton:
      PRINTOK = 0;
      NoteResponse(kResponseCancelled);
      return kLevelBenign;
    case kMenuNext: turn(1); return kLevelBenign;
    case kMenuPrevious: turn(-1); return kLevelBenign;
    case kMenuJump:
      if (auto chosen = NumberDialog::jump(PageCount(), CURRENTPAGE).Choose(TRANSLATOR))
        GotoPage(chosen->front());
      return kLevelBenign;
    case kMenuChangeDisplay:
      if (auto chosen = NumberDialog::display(PAGESACROSS, PAGESDOWN).Choose(TRANSLATOR)) {
        PAGESACROSS = (*chosen)[0];
        PAGESDOWN = (*chosen)[1];
        SetZoom(0);
      }
      return kLevelBenign;
    case kZoomButton:
      if (ZoomNow() == ui::kZoomTile) {
        zoomIn(CURRENTPAGE);
      } else {
        SetZoom(0);
      }
      return kLevelBenign;
    case kPageBox: GotoPage(number(kPageBox).value_or(CURRENTPAGE)); return kLevelBenign;
    case kAcrossBox:
    case kDownBox:
      (id == kAcrossBox ? PAGESACROSS : PAGESDOWN) = std::clamp(number(id).value_or(1), 1, 8);
      ShowPages();
      return kLevelBenign;
    case kZoomBox: {
      std::string typed = engine().value(window(), kZoomBox).value_or("");
      for (std::size_t index = 0; index < ZOOMQUEUE.size(); ++index) {
        if (typed == translated(ZOOMQUEUE[index].MENUTEXT)) {
          SetZoom(index);
          return kLevelBenign;
        }
      }
      std::optional<int> percent = numberIn(typed);
      if (ALLOWUSERZOOM != 0 && percent && *percent >= 10 && *percent <= 500) USERPERCENTILE = *percent;
      ShowPages();
      return kLevelBenign;
    }
    case kPages: zoomIn(number(kPages).value_or(CURRENTPAGE)); return kLevelBenign;
    default: return WindowController::OnAccepted(event);
  }
}

Level PagePreview::OnNewSelection(const ui::Event& event) {
  if (event.control == kZoomBox) return OnAccepted(ui::Event{ui::event::kAccepted, kZoomBox, window(), 0, 0});
  if (event.control == kPages) {
    std::optional<int> page = numberIn(engine().value(window(), kPages).value_or(""));
    if (page) engine().setStatusText(window(), 0, translated("Page ") + std::to_string(*page));
    return kLevelBenign;
  }
  return WindowController::OnNewSelection(event);
}

Level PagePreview::OnFieldEvent(const ui::Event& event) {
  if (event.control != kPages) return WindowController::OnFieldEvent(event);
  switch (event.code) {
    case ui::event::kPageDown:
    case ui::event::kScrollDown: turn(1); break;
    case ui::event::kPageUp:
    case ui::event::kScrollUp: turn(-1); break;
    case ui::event::kScrollTop: GotoPage(1); break;
    case ui::event::kScrollBottom: GotoPage(PageCount()); break;
    default: break;
  }
  return kLevelBenign;
}

}  // namespace veltrano::framework
