#include "framework/report/page_preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/export/xlsx_read_back.h"
#include "framework/report/report_printer.h"
#include "framework/report/report_texts.h"
#include "framework/window/window_test_support.h"
#include "platform/codepage.h"
#include "ui/headless_engine.h"
#include "ui/report/recording_output.h"
#include "ui/report/table_report.h"

namespace veltrano::framework {
namespace {

using namespace preview;
using platform::ru;
using testing::ProcedureThread;

ui::report::ReportPages reportOf(int records) {
  ui::report::TableReport table;
  table.name = "VELTR113";
  table.title = {ru("Общий список сотрудников")};
  table.columns = {{ru("Фамилия И.О."), "fio", "@s30", 6000, ui::report::Align::kDefault, {}}};
  std::string error;
  ui::report::ReportLayout layout(
      ui::report::CompiledReport::compile(ui::report::tableReport(table), &error));
  for (int record = 1; record <= records; ++record) {
    layout.print(ui::report::kTableRow, std::vector<std::string>{ru("Иванов ") + std::to_string(record)});
  }
  return layout.close();
}

class PagePreviewTest : public ::testing::Test {
 protected:
  PagePreviewTest() {
    translator.AddTranslation(reportTextsRussian());
    directory = std::filesystem::temp_directory_path() / ("veltrano_preview_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    settings.Init((directory / "veltrano.INI").string());
  }
  ~PagePreviewTest() override { std::filesystem::remove_all(directory); }

  const ui::ControlSnapshot& shown(ui::WindowId window, ui::ControlId control) {
    snapshot = *engine.snapshot(window);
    return snapshot.controls.at(control);
  }
  std::vector<int> pagesShown(ui::WindowId window) {
    std::vector<int> numbers;
    for (const auto& page : shown(window, kPages).pages.pages) numbers.push_back(page->number);
    return numbers;
  }
  void act(ProcedureThread& procedure, ui::WindowId window, const std::function<bool()>& action) {
    ASSERT_TRUE(action());
    ASSERT_TRUE(procedure.idle(window));
  }

  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ui::report::RecordingOutput output;
  ui::report::ScopedReportOutput output_installed{output};
  Translator translator;
  std::filesystem::path directory;
  SettingsFile settings;
  ui::WindowSnapshot snapshot;
};

TEST_F(PagePreviewTest, PagesZoomsJumpsAndPrintsAChosenRange) {
  ui::report::ReportPages pages = reportOf(300);
  ASSERT_EQ(pages.pages.size(), 6u);
  PagePreview preview;
  preview.TRANSLATOR = &translator;
  preview.INIMGR = &settings;
  ProcedureThread procedure(engine,
                            [&] { return static_cast<std::uint8_t>(preview.Display(pages) ? 1 : 2); });
  ui::WindowId window = procedure.window(kPreviewSection);
  ASSERT_NE(window, 0u);

  snapshot = *engine.snapshot(window);
  EXPECT_EQ(snapshot.caption, ru("Предварительный просмотр отчёта"));
  EXPECT_EQ(snapshot.menu_items.at(kMenuJump).text, ru("П&ерейти на страницу"));
  EXPECT_EQ(snapshot.menu_items.at(kMenuZoom).text, ru("Несколько страниц"));
  EXPECT_EQ(snapshot.menu_items.at(kMenuZoom + 6).text, ru("Масштаб 300%"));
  EXPECT_EQ(snapshot.controls.at(kPageBox).description.tip, ru("Введите номер страницы от 1 до 6"));
  EXPECT_EQ(snapshot.controls.at(kPageBox).description.high, 6);
  EXPECT_EQ(snapshot.controls.at(kAcrossPrompt).text, ru("По &горизонтали:"));
  EXPECT_EQ(snapshot.status_texts,
            (std::vector<std::string>{ru("Страница 1"), ru("Масштаб: по ширине страницы")}));
  EXPECT_EQ(pagesShown(window), (std::vector<int>{1}));
  EXPECT_EQ(shown(window, kPages).pages.zoom, ui::kZoomPageWidth);
  EXPECT_FALSE(snapshot.menu_items.at(kMenuPrevious).enabled);

  act(procedure, window, [&] { return engine.userPresses(window, kMenuNext); });
  EXPECT_EQ(pagesShown(window), (std::vector<int>{2}));
  act(procedure, window, [&] { return engine.userScrolls(window, kPages, ui::event::kPageDown); });
  EXPECT_EQ(pagesShown(window), (std::vector<int>{3}));
  EXPECT_EQ(engine.value(window, kPageBox), "3");
  act(procedure, window, [&] { return engine.userPresses(window, kMenuZoom); });
  EXPECT_EQ(pagesShown(window), (std::vector<int>{3, 4})) << "two tiles across, one down";
  EXPECT_EQ(engine.snapshot(window)->status_texts[1], ru("Масштаб: несколько страниц"));
  act(procedure, window, [&] { return engine.userScrolls(window, kPages, ui::event::kPageDown); });
  EXPECT_EQ(pagesShown(window), (std::vector<int>{5, 6}));
  EXPECT_FALSE(engine.snapshot(window)->menu_items.at(kMenuNext).enabled);
  act(procedure, window, [&] { return engine.userChoosesPage(window, kPages, 6, true); });
  EXPECT_EQ(pagesShown(window), (std::vector<int>{6})) << "a double click zooms in on the page";
  act(procedure, window, [&] { return engine.userTypes(window, kZoomBox, "150"); });
  EXPECT_EQ(shown(window, kPages).pages.zoom, 150);
  EXPECT_EQ(engine.snapshot(window)->status_texts[1], ru("Масштаб: 150%"));
  act(procedure, window, [&] { return engine.userSelectsRow(window, kZoomBox, 5); });
  EXPECT_EQ(shown(window, kPages).pages.zoom, 100);

  // "Jump to a Report Page" takes the page typed into its box.
  ASSERT_TRUE(engine.userPresses(window, kMenuJump));
  ui::WindowId jump = procedure.window("veltrano$PREVIEWJUMP");
  ASSERT_NE(jump, 0u);
  EXPECT_EQ(engine.snapshot(jump)->caption, ru("Переход на страницу отчёта"));
  EXPECT_TRUE(engine.userTypes(jump, 10, "9"));
  ASSERT_TRUE(procedure.idle(jump));
  EXPECT_EQ(engine.value(jump, 10), "6") << "the page box keeps to the report's pages";
  EXPECT_TRUE(engine.userTypes(jump, 10, "2"));
  ASSERT_TRUE(procedure.idle(jump));
  ASSERT_TRUE(engine.userPresses(jump, 2));
  ASSERT_TRUE(procedure.idle(window));
  EXPECT_EQ(pagesShown(window), (std::vector<int>{2}));

  // "Change the Report Display": three across, two down, shown as tiles.
  ASSERT_TRUE(engine.userPresses(window, kMenuChangeDisplay));
  ui::WindowId display = procedure.window("veltrano$PREVIEWDISPLAY");
  ASSERT_NE(display, 0u);
  EXPECT_TRUE(engine.userTypes(display, 10, "3"));
  EXPECT_TRUE(engine.userTypes(display, 12, "2"));
  ASSERT_TRUE(procedure.idle(display));
  ASSERT_TRUE(engine.userPresses(display, 2));
  ASSERT_TRUE(procedure.idle(window));
  EXPECT_EQ(pagesShown(window), (std::vector<int>{2, 3, 4, 5, 6}));
  EXPECT_EQ(shown(window, kPages).pages.across, 3);

  // Printing: the dialog cancelled, then no printer installed (the preview stays and says
  // why), then pages 2 to 3 on the printer chosen.
  act(procedure, window, [&] { return engine.userPresses(window, kPrintButton); });
  EXPECT_TRUE(procedure.running());
  ui::PrinterChoice office{"Office", false, 1};
  office.first_page = 2;
  office.last_page = 3;
  engine.queuePrinterAnswer(office);
  act(procedure, window, [&] { return engine.userPresses(window, kMenuPrint); });
  ASSERT_EQ(engine.shownMessageBoxes().size(), 1u);
  EXPECT_EQ(engine.shownMessageBoxes()[0].text, ru("Не установлен ни один принтер."));
  EXPECT_TRUE(procedure.running());
  EXPECT_EQ(engine.printerDialogsShown(), 2);
  output.setPrinters({"Office"});
  engine.queuePrinterAnswer(office);
  ASSERT_TRUE(engine.userPresses(window, kMenuPrint));
  EXPECT_EQ(procedure.response(), 1);
  ASSERT_EQ(output.printed().size(), 1u);
  EXPECT_EQ(output.printed()[0].request.printer, "Office");
  EXPECT_EQ(output.printed()[0].pages, (std::vector<int>{2, 3}));
  EXPECT_EQ(currentPrinter().printer_name, "Office");
  EXPECT_NE(settings.Fetch(kPreviewSection, "Width"), SettingsFile::kUnknown) << "the placement is kept";
}

TEST_F(PagePreviewTest, AOnePageReportHasNoPageRangeAndExitDoesNotPrint) {
  ui::report::ReportPages pages = reportOf(3);
  ASSERT_EQ(pages.pages.size(), 1u);
  PagePreview preview;
  preview.TRANSLATOR = &translator;
  preview.INITZOOM = ui::kZoomTile;
  ProcedureThread procedure(engine,
                            [&] { return static_cast<std::uint8_t>(preview.Display(pages) ? 1 : 2); });
  ui::WindowId window = procedure.window(kPreviewSection);
  ASSERT_NE(window, 0u);
  const ui::ControlSnapshot& box = shown(window, kPageBox);
  EXPECT_TRUE(box.description.tip.empty());
  EXPECT_FALSE(box.enabled);
  EXPECT_EQ(pagesShown(window), (std::vector<int>{1}));
  EXPECT_EQ(shown(window, kPages).pages.zoom, ui::kZoomTile);
  ASSERT_TRUE(engine.userPresses(window, kExitButton));
  EXPECT_EQ(procedure.response(), 2);
  EXPECT_TRUE(output.printed().empty());
}

TEST_F(PagePreviewTest, SaveAsWritesTheReportInTheFormatOfTheNameAndTellsAFailure) {
  ui::report::ReportPages pages = reportOf(3);
  PagePreview preview;
  preview.TRANSLATOR = &translator;
  ProcedureThread procedure(engine,
                            [&] { return static_cast<std::uint8_t>(preview.Display(pages) ? 1 : 2); });
  ui::WindowId window = procedure.window(kPreviewSection);
  ASSERT_NE(window, 0u);
  const std::string csv = (directory / "list.csv").string();
  const std::string xlsx = (directory / "list.xlsx").string();
  const std::string pdf = (directory / "list.pdf").string();
  const std::string nowhere = (directory / "missing" / "list.csv").string();
  for (const std::string& path : {csv, xlsx, pdf, nowhere}) {
    engine.queueFileDialogAnswer(path);
    act(procedure, window, [&] { return engine.userPresses(window, kMenuSaveAs); });
  }
  std::ifstream in(csv, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "\xEF\xBB\xBF"
            "№;Фамилия И.О.\r\n1;Иванов 1\r\n2;Иванов 2\r\n3;Иванов 3\r\n");
  const std::vector<std::string> rows = testing::readXlsxBack(xlsx);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[2], "s:№;s:Фамилия И.О.");
  EXPECT_EQ(rows[5], "s:3;s:Иванов 3");
  ASSERT_EQ(output.writtenFiles().size(), 1u) << "the pages themselves go to the PDF";
  EXPECT_TRUE(std::filesystem::exists(pdf));
  ASSERT_EQ(engine.shownMessageBoxes().size(), 1u);
  EXPECT_EQ(engine.shownMessageBoxes()[0].text.rfind(ru("Не удалось записать файл ") + nowhere, 0), 0u);
  ASSERT_TRUE(engine.userPresses(window, kExitButton));
  EXPECT_EQ(procedure.response(), 2);
}

}  // namespace
}  // namespace veltrano::framework
