#include "app/reports/card_report.h"

namespace veltrano::app::reports {

CardReport::CardReport(const Application& application, ReportSource source)
    : application_(application), source_(std::move(source)) {}

CardReport::~CardReport() {
  process_.Kill();
}

std::uint8_t CardReport::Run() {
  application_.prepare(*this);
  preview_.TRANSLATOR = &application_.translator;
  preview_.INIMGR = &application_.settings;
  PREVIEW = &preview_;
  PROCESS = &process_;

  storage::DeclaredFile& primary = dictionary().file(source_.primary);
  framework::ViewDefinition view{{}, {&primary.file()}};
  PRIMARY = &dictionary().guard(source_.primary);
  if (source_.cards_joined) {
    // A child record's first field is its employee's number, which finds the card through
    // KAR:NUM_KEY, KARTA's first key.
    view.descriptor.joins.push_back(runtime::ViewJoin::byKey(1, 0, {1}, true));
    view.files.push_back(&dictionary().file("KARTA").file());
    AddFile(&dictionary().guard("KARTA"));
  }
  for (std::string_view lookup : source_.lookups) AddFile(&dictionary().guard(lookup));
  process_.Init(std::move(view), PRIMARY);
  process_.RegisterSortOrder(source_.order_key.empty() ? nullptr : primary.key(source_.order_key));
  if (!source_.order.empty()) process_.AppendOrder(source_.order);
  process_.SetFilter(source_.filter);
  return ReportRunner::Run();
}

}  // namespace veltrano::app::reports
