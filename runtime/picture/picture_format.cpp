// formatPicture: the dispatch by kind, strings, and the character templates.
#include "runtime/picture/picture_internal.h"

namespace veltrano::runtime {
namespace {

namespace code = picture_code;
using picture_detail::parseDecimal;

bool isNumberText(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  bool digits = false;
  bool point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  while (at < text.size() && text[at] == ' ') ++at;
  return digits && at == text.size();
}

// Lays the value's characters, left to right, into the template's input positions.
std::string layCharacters(std::string_view value, const CompiledPicture& picture) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < picture.length; ++i) {
    const PictureToken& token = picture.tokens[i];
    if (token.code == code::kLiteral) {
      out += token.pad;
    } else {
      out += next < value.size() ? value[next++] : ' ';
    }
  }
  return out;
}

}  // namespace

std::string formatPicture(std::string_view value, const CompiledPicture& picture) {
  if (!picture.valid()) return std::string();
  switch (picture.pictureKind()) {
    case PictureKind::kString: {
      std::string out(value.substr(0, picture.length));
      out.resize(picture.length, ' ');
      return out;
    }
    case PictureKind::kNumeric: return picture_detail::formatNumber(parseDecimal(value), picture);
    case PictureKind::kScientific: return picture_detail::formatScientific(value, picture);
    case PictureKind::kDate: return picture_detail::formatDate(value, picture);
    case PictureKind::kTime: return picture_detail::formatTime(value, picture);
    case PictureKind::kPattern:
      // A number is laid right-aligned into the digit positions; other text character by character.
      if (isNumberText(value)) return picture_detail::formatNumber(parseDecimal(value), picture);
      return layCharacters(value, picture);
    case PictureKind::kKeyIn: return layCharacters(value, picture);
  }
  return std::string(pictureWidth(picture), ' ');
}

}  // namespace veltrano::runtime
