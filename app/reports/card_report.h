// The report runner every report of the application stands on: a view over the cards (or over
// another file joined to its cards) with a filter, read in timed batches with the progress
// window, the pages shown in the preview (or, in a run without a screen, written to files).
// Lists print a table row per record (list_report.h); statistical forms count the records and
// print their rows at the end (statistical_form.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/frame/application.h"
#include "framework/report/page_preview.h"
#include "framework/report/process_manager.h"
#include "framework/report/report_runner.h"

namespace veltrano::app::reports {

// What a report reads.
struct ReportSource {
  std::string_view primary = "KARTA";     // the file read; with `cards_joined`, joined to KARTA
  bool cards_joined = false;              // each record of `primary` with the card of its employee
  std::string_view order_key;             // a key of `primary`; empty: the file's own order
  std::string_view order;                 // or an order of the view's fields ("+KAR:FAM,+KAR:NOM")
  std::string filter;                     // code page 1251
  std::vector<std::string_view> lookups;  // files the report reads beside its view
};

class CardReport : public framework::ReportRunner {
 public:
  CardReport(const Application& application, ReportSource source);
  ~CardReport() override;

  // Prepares the view and the preview, then runs the report.
  std::uint8_t Run() override;
  using ReportRunner::Run;

 protected:
  // A record the view gives is printed (or counted) only when this says so; every one by default.
  virtual bool Accepts() { return true; }

  Dictionary& dictionary() const { return application_.dictionary; }
  const Application& application() const { return application_; }

 private:
  class Process : public framework::ProcessManager {
   public:
    explicit Process(CardReport& report) : report_(report) {}
    int ValidateRecord() override { return report_.Accepts() ? 0 : 1; }

   private:
    CardReport& report_;
  };

  const Application& application_;
  ReportSource source_;
  Process process_{*this};
  framework::PagePreview preview_;
};

}  // namespace veltrano::app::reports
