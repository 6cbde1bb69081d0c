#include "ui/report/text_lines.h"

namespace veltrano::ui::report {
namespace {

std::string_view withoutTrailingSpaces(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::string_view withoutLeadingSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

void wrapParagraph(std::string_view paragraph, const MeasuredFont& font, Length width,
                   std::vector<std::string_view>& lines) {
  paragraph = withoutTrailingSpaces(paragraph);
  while (!paragraph.empty()) {
    std::size_t fits = font.fitting(paragraph, width);
    if (fits >= paragraph.size()) {
      lines.push_back(paragraph);
      return;
    }
    // Break at the last space that fits, or after the last hyphen (a double surname keeps
    // its halves whole); a word wider than the line breaks where it must, and a line always
    // takes at least one character so that the text comes to an end.
    std::size_t space = paragraph.rfind(' ', fits);
    std::size_t hyphen = fits > 1 ? paragraph.rfind('-', fits - 1) : std::string_view::npos;
    std::size_t cut = 0;
    if (space != std::string_view::npos && space > 0) cut = space;
    if (hyphen != std::string_view::npos && hyphen > 0) cut = std::max(cut, hyphen + 1);
    if (cut == 0) cut = std::max<std::size_t>(fits, 1);
    std::string_view line = withoutTrailingSpaces(paragraph.substr(0, cut));
    if (!line.empty()) lines.push_back(line);
    paragraph = withoutLeadingSpaces(paragraph.substr(cut));
  }
}

}  // namespace

std::vector<std::string_view> wrapLines(std::string_view text, const MeasuredFont& font, Length width) {
  std::vector<std::string_view> lines;
  text = withoutTrailingSpaces(text);
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view paragraph = text.substr(0, end);
    if (withoutTrailingSpaces(paragraph).empty()) {
      lines.push_back({});
    } else {
      wrapParagraph(paragraph, font, width, lines);
    }
    if (end == std::string_view::npos) break;
    text = text.substr(end + 1);
  }
  return lines;
}

std::string_view cutToFit(std::string_view text, const MeasuredFont& font, Length width) {
  text = text.substr(0, text.find('\n'));
  return withoutTrailingSpaces(text.substr(0, font.fitting(text, width)));
}

std::string_view trimmed(std::string_view text) {
  return withoutTrailingSpaces(withoutLeadingSpaces(text));
}

}  // namespace veltrano::ui::report
