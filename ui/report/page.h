// A laid-out page: the drawing instructions of one printed page, in hundredths of a millimetre
// from the paper's top left corner. The same page is drawn on the screen, into PDF files, into
// PNG images and on printers, and tests read it directly. Boxes are drawn first, then lines,
// then texts. Texts are code page 1251.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/report/report_description.h"

namespace veltrano::ui::report {

struct PageText {
  Length x = 0;         // where the text starts
  Length baseline = 0;  // where its baseline lies
  Box clip;             // the text never draws outside this box
  std::uint16_t font = 0;
  std::string text;
  Length width = 0;  // as measured when laid out
};

struct PageLine {
  Length x1 = 0;
  Length y1 = 0;
  Length x2 = 0;
  Length y2 = 0;
  Length width = 20;
};

struct PageBox {
  Box at;
  Length line_width = 0;       // 0: no outline
  std::uint8_t fill_gray = 0;  // 0: no fill
};

struct Page {
  int number = 0;  // from 1
  Length width = 0;
  Length height = 0;
  std::shared_ptr<const std::vector<FontSpec>> fonts;  // the report's, shared by its pages
  std::vector<PageBox> boxes;
  std::vector<PageLine> lines;
  std::vector<PageText> texts;
};

using PagePointer = std::shared_ptr<const Page>;

}  // namespace veltrano::ui::report
