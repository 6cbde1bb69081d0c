// The print preview: the finished pages of a report in a window from which the clerk prints,
// pages, zooms or leaves. One page at a time as wide as the window or at a percentage of its
// real size, or several pages as tiles; a page box, the numbers of tiles across and down, and
// the zoom box on a tool row; the page and the zoom in the status bar.
//
//   PagePreview preview;
//   preview.TRANSLATOR = &translator;
//   preview.INIMGR = &settings;            // placement kept in "_PreviewWindow_"
//   bool printed = preview.Display(pages); // the window; true when the pages were printed
//
// Printing asks for the printer and the pages with the engine's printer dialog and prints at
// once; a failure (no printer, a file that cannot be written) is shown and the preview stays,
// so that nothing the clerk waited for is lost.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/window/settings_file.h"
#include "framework/window/window_controller.h"
#include "ui/report/report_layout.h"

namespace veltrano::framework {

// The preview's controls and menu items.
namespace preview {
enum : ui::ControlId {
  kPages = 1,
  kPrintButton = 10,
  kExitButton,
  kZoomButton,
  kPagePrompt,
  kPageBox,
  kAcrossPrompt,
  kAcrossBox,
  kDownPrompt,
  kDownBox,
  kZoomPrompt,
  kZoomBox,
  kMenuPrint = 100,
  kMenuExit,
  kMenuNext,
  kMenuPrevious,
  kMenuJump,
  kMenuChangeDisplay,
  kMenuSaveAs,
  kMenuZoom = 110,  // one item per entry of the zoom table, in its order
};
}  // namespace preview

inline constexpr const char* kPreviewSection = "_PreviewWindow_";

class PagePreview : public WindowController {
 public:
  struct ZoomEntry {
    std::int16_t PERCENTILE = 0;  // -2 tiles, -1 page width, else a percentage
    std::string MENUTEXT;
    std::string STATUSTEXT;
  };

  PagePreview();

  // Runs the preview window over the pages; its answer is PRINTOK.
  bool Display(const ui::report::ReportPages& pages);

  Level Init() override;
  Level OnAccepted(const ui::Event& event) override;
  Level OnNewSelection(const ui::Event& event) override;
  Level OnFieldEvent(const ui::Event& event) override;

  // Shows the pages from CURRENTPAGE at the zoom of ZOOMINDEX, with the page box and the status.
  void ShowPages();
  // Prints through the printer dialog; true when the pages went to the printer.
  bool Print();
  // "Сохранить как…": the pages as PDF, or the detail lines as CSV or a workbook, into a file
  // chosen in the save dialog; true when written. A failure is shown and the preview stays.
  bool SaveAs();
  void SetZoom(std::size_t index);
  void GotoPage(int page);
  int PageCount() const { return static_cast<int>(IMAGEQUEUE.size()); }
  // The percentage or -2/-1 now shown.
  int ZoomNow() const;

  // Fields, after the window controller's.
  std::uint8_t ALLOWUSERZOOM = 1;
  int CURRENTPAGE = 1;
  int FIRSTPAGE = 1;
  std::vector<ui::report::PagePointer> IMAGEQUEUE;
  SettingsFile* INIMGR = nullptr;
  std::int16_t INITZOOM = ui::kZoomPageWidth;
  std::uint8_t MAXIMIZE = 0;
  int PAGESACROSS = 2;
  int PAGESDOWN = 1;
  std::uint8_t PRINTOK = 0;
  std::uint8_t THUMBNAILSPRESENT = 0;
  int USERPERCENTILE = 0;  // a zoom typed into the zoom box; 0 when a table entry is shown
  std::uint8_t WINDOWPOSSET = 0;
  std::uint8_t WINDOWSIZESET = 0;
  int WINXPOS = 0;
  int WINYPOS = 0;
  int WINWIDTH = 1000;
  int WINHEIGHT = 680;
  std::vector<ZoomEntry> ZOOMQUEUE;
  std::size_t ZOOMINDEX = 1;

 private:
  void describe();
  std::string translated(std::string_view text) const;
  void turn(int by);
  void zoomIn(int page);

  const ui::report::ReportPages* pages_ = nullptr;
};

}  // namespace veltrano::framework
