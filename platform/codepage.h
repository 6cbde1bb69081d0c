// Code pages at the edges of the program. Inside, text is Windows code page 1251, one byte per
// character; files with the OEM attribute keep their text in code page 866; the command line,
// Qt and source files speak UTF-8.
//
// 1251 and 866 share the Cyrillic alphabet, "Ё", "ё", "№" and some symbols, which convert
// exactly. Each has 51 further characters the other lacks (1251's quotes and dashes, 866's
// box drawing); these are paired one to one, in code order, so that a round trip through the
// OEM set never loses a byte of a clerk's text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace veltrano::platform {

// The Unicode code point of a 1251 or 866 byte. 1251's unassigned 0x98 stands for U+0098.
char32_t unicodeFrom1251(std::uint8_t byte);
char32_t unicodeFrom866(std::uint8_t byte);

// UTF-8 → 1251. A character 1251 cannot show becomes '?', as does malformed UTF-8.
std::string cp1251FromUtf8(std::string_view utf8);
// 1251 → UTF-8.
std::string utf8From1251(std::string_view cp1251);

// 1251 ↔ 866, byte for byte (ASCII unchanged).
std::uint8_t oemFromAnsi(std::uint8_t cp1251);
std::uint8_t ansiFromOem(std::uint8_t cp866);
void oemFromAnsi(std::span<std::uint8_t> text);
void ansiFromOem(std::span<std::uint8_t> text);
std::string oemFromAnsi(std::string_view cp1251);
std::string ansiFromOem(std::string_view cp866);

// A Russian literal written in UTF-8 in the source, as 1251 text: the one helper every
// literal shown to the user or compared with data goes through.
inline std::string ru(std::string_view utf8) { return cp1251FromUtf8(utf8); }

}  // namespace veltrano::platform
