// For tests: a workbook read back by the spreadsheet reader the scripts install (Debian's
// python3-openpyxl, hence the system's python3), so that what a clerk's spreadsheet program
// sees is checked by another implementation than the one that wrote it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace veltrano::framework::testing {

// The first sheet: a line "frozen=<cell>", a line "widths=<w1>,<w2>,…", then one line per row,
// cells joined by ";", each as "<type>:<value>" (s text, n number, d date as YYYY-MM-DD, empty
// cells blank). Texts are UTF-8. Nothing when the file cannot be read.
inline std::vector<std::string> readXlsxBack(const std::string& path) {
  const std::string script =
      "import sys, datetime, openpyxl\n"
      "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
      "print('frozen=%s' % ws.freeze_panes)\n"
      "print('widths=' + ','.join('%g' % ws.column_dimensions[openpyxl.utils.get_column_letter(c)].width"
      " for c in range(1, ws.max_column + 1)))\n"
      "for row in ws.iter_rows(values_only=True):\n"
      "  out = []\n"
      "  for v in row:\n"
      "    if v is None: out.append('')\n"
      "    elif isinstance(v, datetime.datetime): out.append('d:' + v.date().isoformat())\n"
      "    elif isinstance(v, (int, float)): out.append('n:%g' % v)\n"
      "    else: out.append('s:' + str(v))\n"
      "  print(';'.join(out))\n";
  const std::string command = "/usr/bin/python3 -c \"$VELTRANO_XLSX_SCRIPT\" '" + path + "' 2>&1";
  ::setenv("VELTRANO_XLSX_SCRIPT", script.c_str(), 1);
  std::vector<std::string> lines;
  FILE* reader = ::popen(command.c_str(), "r");
  if (reader == nullptr) return lines;
  std::string line;
  for (int c = std::fgetc(reader); c != EOF; c = std::fgetc(reader)) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  if (::pclose(reader) != 0) return {};
  return lines;
}

}  // namespace veltrano::framework::testing
