// Reports of 10,000 KARTA cards, one detail line each (about 250 pages of landscape A4): laying the whole
// report out from the compile of its description to its last page, writing it to PDF, showing
// the first preview page once the last record is read, and the report's timed batches as a
// progress window runs them. Prints wall and CPU times; the tick figures say how long each
// timer tick's work took against the timeslice it aims at.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "app/dictionary/dictionary_layout.h"
#include "app/dictionary/dictionary_tables.h"
#include "bench/karta_cards.h"
#include "framework/report/timed_batches.h"
#include "platform/codepage.h"
#include "runtime/values/field_value.h"
#include "ui/report/page_view_layout.h"
#include "ui/report/qt/page_painter.h"
#include "ui/report/qt/qt_report_output.h"
#include "ui/report/table_report.h"
#include "ui/report/text_lines.h"

namespace {

using namespace veltrano;
using platform::ru;
using ui::report::ReportLayout;

constexpr int kCards = 10000;

// The employees' values as a list report prints them, read from card records once.
struct Cards {
  std::vector<std::vector<std::string>> values;

  Cards() {
    runtime::RecordLayout layout = app::recordLayout(*app::findFileSpec("KARTA"));
    bench::CardMaker maker(layout);
    std::vector<std::uint8_t> record(layout.size());
    std::vector<std::uint8_t> memo;
    auto text = [&](const char* name) {
      const auto& field = layout.field(static_cast<std::size_t>(layout.find(name)));
      return runtime::loadText(field, record);
    };
    for (int card = 1; card <= kCards; ++card) {
      maker.fill(card, record, memo);
      std::string fio = std::string(ui::report::trimmed(text("KAR:FAM"))) + " " +
                        text("KAR:NOM").substr(0, 1) + "." + text("KAR:PER").substr(0, 1) + ".";
      values.push_back(
          {fio, text("KAR:POST"), text("KAR:OTDELENIE"), text("KAR:DATA_ZAP"), text("KAR:PROF")});
    }
  }
};

const Cards& cards() {
  static const Cards made;
  return made;
}

ui::report::ReportDescription employeeList() {
  ui::report::TableReport table;
  table.name = "VELTR113";
  table.title = {ru("Общий список сотрудников")};
  table.row_height = 500;
  table.page.orientation = ui::report::Orientation::kLandscape;
  table.columns = {
      {ru("Фамилия И.О."), "fio", "@s40", 5000, ui::report::Align::kDefault, {}},
      {ru("Должность"), "post", "@s60", 6700, ui::report::Align::kDefault, {}},
      {ru("Отделение"), "department", "@s60", 5800, ui::report::Align::kDefault, {}},
      {ru("Дата приема на работу"), "hired", "@d6.", 2500, ui::report::Align::kDefault, {}},
      {ru("Профессия"), "profession", "@s60", 6000, ui::report::Align::kDefault, {}},
  };
  return ui::report::tableReport(table);
}

std::shared_ptr<const ui::report::CompiledReport> compiledList() {
  std::string error;
  std::shared_ptr<const ui::report::CompiledReport> report =
      ui::report::CompiledReport::compile(employeeList(), &error);
  if (report == nullptr) {
    std::fprintf(stderr, "%s\n", platform::utf8From1251(error).c_str());
    std::exit(1);
  }
  return report;
}

ui::report::ReportPages layOut() {
  ReportLayout layout(compiledList());
  for (const auto& values : cards().values) layout.print(ui::report::kTableRow, values);
  return layout.close();
}

struct Offscreen {
  ui::report::qt::OffscreenReports reports;
};

Offscreen& offscreen() {
  static Offscreen made;
  return made;
}

void BM_LayOutTheWholeReport(benchmark::State& state) {
  cards();
  std::size_t pages = 0;
  for (auto _ : state) pages = layOut().pages.size();
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_LayOutTheWholeReport)->Unit(benchmark::kMillisecond);

void BM_WriteThePdf(benchmark::State& state) {
  offscreen();
  ui::report::ReportPages report = layOut();
  ui::report::qt::QtReportOutput output;
  std::string bytes;
  for (auto _ : state) {
    if (auto error = output.pdfBytes(report, 1, 0, &bytes)) state.SkipWithError(error->c_str());
  }
  state.counters["pages"] = static_cast<double>(report.pages.size());
  state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_WriteThePdf)->Unit(benchmark::kMillisecond);

// From the last record read: the report closes (the last page and the page counts) and the
// preview draws its first page at page width in a window of the usual size.
void BM_FirstPreviewPageAfterTheLastRecord(benchmark::State& state) {
  offscreen();
  std::shared_ptr<const ui::report::CompiledReport> report = compiledList();
  for (auto _ : state) {
    state.PauseTiming();
    auto layout = std::make_unique<ReportLayout>(report);
    for (const auto& values : cards().values) layout->print(ui::report::kTableRow, values);
    state.ResumeTiming();
    ui::report::ReportPages pages = layout->close();
    ui::report::PageView view{{pages.pages.front()}, ui::report::kZoomPageWidth, 1, 1, 1};
    ui::report::PageViewLayout placed = ui::report::layoutPageView(view, 900, 700, 96);
    QImage screen(900, 700, QImage::Format_RGB32);
    QPainter painter(&screen);
    const auto& at = placed.pages.front();
    ui::report::qt::paintPage(painter, *pages.pages.front(), QRectF(at.x, at.y, at.width, at.height));
    painter.end();
    benchmark::DoNotOptimize(screen.bits());
    state.PauseTiming();
    layout.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstPreviewPageAfterTheLastRecord)->Unit(benchmark::kMillisecond);

// The timed batches over the report's records with the program's clock, a timeslice of 10
// hundredths: every tick but the last (which runs out of records) should take 5 to 15.
void BM_ProgressTicks(benchmark::State& state) {
  const std::uint16_t timeslice = 10;
  std::vector<std::int64_t> ticks;
  std::shared_ptr<const ui::report::CompiledReport> report = compiledList();
  for (auto _ : state) {
    auto layout = std::make_unique<ReportLayout>(report);
    std::int32_t records_per_cycle = 1;
    std::size_t next = 0;
    int rounds = 0;
    // Twenty passes over the cards make one report of 200,000 lines: ticks enough to see.
    auto read = [&] {
      if (next == cards().values.size()) {
        if (++rounds == 20) return framework::kLevelNotify;
        next = 0;
      }
      ++next;
      return framework::kLevelBenign;
    };
    auto print = [&] { return layout->print(ui::report::kTableRow, cards().values[next - 1]) ? 0 : 1; };
    for (;;) {
      framework::TickResult tick =
          framework::runTimedBatches(records_per_cycle, timeslice, framework::hundredthsNow, read, print);
      if (tick.outcome != framework::TickResult::kMore) break;
      ticks.push_back(tick.elapsed);
    }
    layout->close();
  }
  std::sort(ticks.begin(), ticks.end());
  if (ticks.empty()) return;
  state.counters["ticks"] = static_cast<double>(ticks.size());
  state.counters["shortest"] = static_cast<double>(ticks.front());
  state.counters["longest"] = static_cast<double>(ticks.back());
  state.counters["median"] = static_cast<double>(ticks[ticks.size() / 2]);
  state.counters["outside_5_to_15"] = static_cast<double>(
      std::count_if(ticks.begin(), ticks.end(), [](std::int64_t e) { return e < 5 || e > 15; }));
}
BENCHMARK(BM_ProgressTicks)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
