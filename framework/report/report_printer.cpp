#include "framework/report/report_printer.h"

#include <mutex>

#include "ui/report/report_output.h"

namespace veltrano::framework {
namespace {

std::mutex printer_mutex;
ui::PrinterChoice chosen_printer;

}  // namespace

ui::PrinterChoice currentPrinter() {
  std::lock_guard lock(printer_mutex);
  return chosen_printer;
}

void setCurrentPrinter(const ui::PrinterChoice& choice) {
  std::lock_guard lock(printer_mutex);
  chosen_printer = choice;
  // A range and a file belong to one printing, not to the printer.
  chosen_printer.page_count = chosen_printer.first_page = chosen_printer.last_page = 0;
  chosen_printer.output_file.clear();
}

bool choosePrinter() {
  std::optional<ui::PrinterChoice> choice = ui::windowEngine().printerSetupDialog(currentPrinter());
  if (choice) setCurrentPrinter(*choice);
  return choice.has_value();
}

bool printReport(const ui::report::ReportPages& pages, const ui::PrinterChoice& choice,
                 std::string_view caption) {
  ui::report::PrintRequest request;
  request.printer = choice.printer_name;
  request.first_page = choice.first_page > 0 ? choice.first_page : 1;
  request.last_page = choice.last_page;
  request.copies = choice.copies;
  request.output_file = choice.output_file;
  std::optional<std::string> failure = ui::report::reportOutput().print(pages, request);
  if (!failure) return true;
  ui::messageBox(ui::MessageBoxRequest{*failure, std::string(caption), ui::kIconExclamation, ui::kButtonOk,
                                       ui::kButtonOk});
  return false;
}

}  // namespace veltrano::framework
