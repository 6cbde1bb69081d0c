// Test support for the reports (included only by *_test.cpp): the dictionary over in-memory
// storage with the reports' and the reference books' procedures registered, a fixed today,
// cards made with the fields a test names, and a report run as `veltrano --report` runs it,
// its pages kept for the test to read.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/dictionary/application_globals.h"
#include "app/dictionary/dictionary_test_support.h"
#include "app/frame/application.h"
#include "app/reference/reference_procedures.h"
#include "app/reports/report_procedures.h"
#include "framework/report/report_command.h"
#include "framework/report/report_texts.h"
#include "platform/clock.h"
#include "runtime/datetime/calendar.h"
#include "ui/report/recording_output.h"

namespace veltrano::app::reports::testing {

// Keeps the pages a report would have written into its PDF file.
class CapturingOutput : public ui::report::RecordingOutput {
 public:
  std::optional<std::string> writePdf(const ui::report::ReportPages& report, const std::string& path,
                                      int first, int last) override {
    std::lock_guard lock(mutex_);
    pages_ = report;
    return RecordingOutput::writePdf(report, path, first, last);
  }
  ui::report::ReportPages pages() {
    std::lock_guard lock(mutex_);
    return pages_;
  }

 private:
  std::mutex mutex_;
  ui::report::ReportPages pages_;
};

struct ReportRun {
  bool written = false;
  std::vector<std::string> messages;  // UTF-8
  ui::report::ReportPages pages;
  // Column `column` of every detail line, UTF-8.
  std::vector<std::string> column(std::size_t column) const {
    std::vector<std::string> cells;
    for (const auto& row : pages.detail_rows)
      cells.push_back(column < row.size() ? platform::utf8From1251(row[column]) : "");
    return cells;
  }
};

class ReportsTest : public app::testing::DictionaryTest {
 protected:
  // Every test runs on 1 July 2004.
  static constexpr int kYear = 2004;
  void SetUp() override {
    platform::setNowOverride(platform::LocalDateTime{kYear, 7, 1, 12, 0, 0, 0});
    runtime::resetKeptYear();
    DictionaryTest::SetUp();
    translator.AddTranslation(framework::reportTextsRussian());
    reference::registerReferenceProcedures(application);
    registerReportProcedures(application);
    applicationGlobals().bindAll();
  }
  void TearDown() override {
    DictionaryTest::TearDown();
    platform::setNowOverride(std::nullopt);
    runtime::resetKeptYear();
  }

  static std::int32_t today() { return runtime::today(); }
  static std::int32_t date(int year, int month, int day) {
    return runtime::serialFromParts(year, month, day);
  }

  // A card added through KARTA's manager: the surname, then what `fill` sets. Its number.
  std::int64_t card(std::string_view surname, const std::function<void(RecordAccess&)>& fill) {
    framework::TableManager& karta = dictionary.manager("KARTA");
    EXPECT_EQ(karta.PrepareRecord(), framework::kLevelBenign);
    RecordAccess fields = record("KARTA");
    fields.setText("KAR:FAM", ru(surname));
    fill(fields);
    EXPECT_EQ(karta.InsertQuiet(), framework::kLevelBenign);
    return fields.integer("KAR:NUM");
  }

  // Procedure `number` run without a screen, its pages kept.
  ReportRun run(std::uint16_t number) {
    return run([&] { return application.call(number, framework::kRequestNone); });
  }
  ReportRun run(const std::function<std::uint8_t()>& procedure) {
    CapturingOutput output;
    ui::report::ScopedReportOutput installed_output(output);
    const framework::ReportCommandResult done = framework::produceReportFiles(procedure, {"report.pdf", {}});
    ReportRun result{done.written, {}, output.pages()};
    for (const std::string& message : done.messages)
      result.messages.push_back(platform::utf8From1251(message));
    return result;
  }

  framework::SettingsFile settings;
  framework::Translator translator;
  framework::ProcedureRegistry procedures;
  Application application{errors, settings, translator, dictionary, procedures};
};

}  // namespace veltrano::app::reports::testing
