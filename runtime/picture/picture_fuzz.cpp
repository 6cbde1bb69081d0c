// Compile, format and deformat on arbitrary input: the first bytes up to a NUL are the picture,
// the rest the value. Nothing may crash, and a formatted value is always exactly as wide as the
// picture says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/picture/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano::runtime;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view picture_text = input.substr(0, split);
  const std::string_view value =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  const CompiledPicture picture = compilePicture(picture_text);
  const std::string formatted = formatPicture(value, picture);
  if (formatted.size() != pictureWidth(picture)) std::abort();
  const std::size_t size_of = compiledSize(picture_text);
  if (picture.valid() != (size_of != 0)) std::abort();
  (void)deformatPicture(value, picture);
  (void)deformatPicture(formatted, picture);
  // The same value through a few fixed pictures, so the value side is fuzzed on its own too.
  for (const char* fixed : {"@N-12`3~ р.~", "@E12.3", "@D4", "@T6", "@P<#-##P", "@K@^_?|K"}) {
    const CompiledPicture other = compilePicture(fixed);
    if (formatPicture(value, other).size() != pictureWidth(other)) std::abort();
    (void)deformatPicture(value, other);
  }
  return 0;
}
