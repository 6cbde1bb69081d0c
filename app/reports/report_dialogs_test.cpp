// The clerk's side of the reports: a dialog refuses at its field what is no number, year or date
// or lies outside what makes sense, and sets its globals on OK; a report that selects nothing
// says so and shows no preview; a report cancelled while it reads prints nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/reports/institution.h"
#include "app/reports/report_dialog.h"
#include "app/reports/reports_test_support.h"
#include "framework/report/page_preview.h"
#include "framework/report/report_runner.h"
#include "framework/window/window_test_support.h"

namespace veltrano::app::reports {
namespace {

using framework::testing::ProcedureThread;

struct Typing {
  ui::ControlId control;
  std::string text;  // UTF-8
};

struct DialogCase {
  std::uint16_t procedure;
  std::vector<Typing> refused;  // typed first, OK pressed: the dialog stays
  std::string told;             // UTF-8, part of the box explaining the refusal; empty: a beep only
  std::vector<Typing> accepted;
  std::function<void()> check;  // the globals OK set
};

class ReportDialogsTest : public testing::ReportsTest {
 protected:
  std::unique_ptr<ProcedureThread> start(std::uint16_t procedure) {
    return std::make_unique<ProcedureThread>(engine,
                                             [this, procedure] { return application.call(procedure, 0); });
  }
  void type(ui::WindowId window, const std::vector<Typing>& typing) {
    for (const Typing& typed : typing) ASSERT_TRUE(engine.userEdits(window, typed.control, ru(typed.text)));
  }
};

TEST_F(ReportDialogsTest, RefuseWhatIsNoNumberYearOrDateAndSetTheirGlobalsOnOk) {
  ApplicationGlobals& globals = applicationGlobals();
  const DialogCase cases[] = {
      {109,
       {{dialog::kFirstValue, "двадцать"}},
       "",
       {{dialog::kFirstValue, "20"}},
       [&] { EXPECT_EQ(globals.number("datag"), date(1984, 7, 1)); }},
      {110,
       {{dialog::kFirstValue, "0"}},
       "от 1 до 99",
       {{dialog::kFirstValue, "55"}},
       [&] { EXPECT_EQ(globals.number("datag"), date(1949, 7, 1)); }},
      {100,
       {{dialog::kFirstValue, "1850"}},
       "от 1900 до 2100",
       {{dialog::kFirstValue, "2003"}},
       [&] { EXPECT_EQ(globals.text("datan"), "2003"); }},
      {102,
       {{dialog::kFirstValue, "31.13.2004"}},
       "",
       {{dialog::kFirstValue, "01.01.2004"}, {dialog::kFirstValue + 1, "30.06.2004"}},
       [&] { EXPECT_EQ(globals.number("datakp"), date(2004, 6, 30)); }},
      {102,
       {{dialog::kFirstValue, "01.07.2004"}, {dialog::kFirstValue + 1, "30.06.2004"}},
       "раньше его начала",
       {{dialog::kFirstValue, "01.01.2004"}},
       [&] { EXPECT_EQ(globals.number("datanp"), date(2004, 1, 1)); }},
      {95,
       {{dialog::kFirstValue + 1, ""}},
       "Укажите профессию",
       {{dialog::kFirstValue + 1, "Врач-хирург"}, {dialog::kFirstValue + 2, "Врач-хирург"}},
       [&] { EXPECT_EQ(globals.text("postg"), ru("Врач-хирург")); }},
  };
  for (const DialogCase& c : cases) {
    SCOPED_TRACE(procedureName(c.procedure) + " " + c.refused.front().text);
    const std::size_t boxes = engine.shownMessageBoxes().size();
    auto procedure = start(c.procedure);
    const ui::WindowId window = procedure->window("veltrano$" + procedureName(c.procedure));
    ASSERT_NE(window, 0u);
    type(window, c.refused);
    ASSERT_TRUE(engine.userPresses(window, dialog::kOk));
    procedure->idle(window);
    EXPECT_TRUE(procedure->running()) << "the dialog stays for the clerk to correct";
    EXPECT_GT(engine.snapshot(window)->beeps, 0);
    const auto shown = engine.shownMessageBoxes();
    ASSERT_EQ(shown.size(), boxes + (c.told.empty() ? 0 : 1));
    if (!c.told.empty()) {
      EXPECT_NE(platform::utf8From1251(shown.back().text).find(c.told), std::string::npos);
    }
    type(window, c.accepted);
    ASSERT_TRUE(engine.userPresses(window, dialog::kOk));
    EXPECT_EQ(procedure->response(), framework::kResponseCompleted);
    c.check();
  }
}

TEST_F(ReportDialogsTest, TheInstitutionsTextsAreKeptInTheSettingsFile) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("veltrano_institution_" + std::to_string(::getpid()) + ".INI");
  settings.Init(file.string());
  EXPECT_EQ(readInstitutionTexts(settings), defaultInstitutionTexts());
  auto procedure = start(kInstitutionTexts);
  const ui::WindowId window = procedure->window("veltrano$VELTR129");
  ASSERT_NE(window, 0u);
  type(window, {{dialog::kFirstValue + 2, "г. Северск"}, {dialog::kFirstValue + 3, "01.01.2005"}});
  ASSERT_TRUE(engine.userPresses(window, dialog::kOk));
  EXPECT_EQ(procedure->response(), framework::kResponseCompleted);
  const InstitutionTexts kept = readInstitutionTexts(settings);
  EXPECT_EQ(kept.city, ru("г. Северск"));
  EXPECT_EQ(asOfText(kept), ru("по состоянию на 01.01.2005 г. "));
  EXPECT_EQ(kept.name, defaultInstitutionTexts().name);
  std::filesystem::remove(file);
}

// A report run from the menu or a list, its progress window's timer in the test's hands.
TEST_F(ReportDialogsTest, AnEmptySelectionSaysSoAndACancelledReportPrintsNothing) {
  for (const bool cancel : {false, true}) {
    if (cancel) card("Иванова", [](RecordAccess&) {});
    auto procedure = start(kGeneralList);
    const ui::WindowId progress = procedure->window("veltrano$VELTR113");
    ASSERT_NE(progress, 0u);
    if (cancel) {
      ASSERT_TRUE(engine.userPresses(progress, framework::progress::kCancel));
    } else {
      while (engine.timerTick(progress)) procedure->idle(progress);
    }
    EXPECT_EQ(procedure->response(), framework::kResponseCancelled);
    EXPECT_EQ(engine.findWindow(framework::kPreviewSection), 0u) << "no preview";
  }
  const auto shown = engine.shownMessageBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, ru("С такими параметрами записей НЕТ."));
}

}  // namespace
}  // namespace veltrano::app::reports
