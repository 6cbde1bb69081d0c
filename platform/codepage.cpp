#include "platform/codepage.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace veltrano::platform {
namespace {

constexpr std::array<char16_t, 128> kUpper1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
constexpr std::array<char16_t, 128> kUpper866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};
constexpr std::array<std::uint8_t, 128> kUpper1251To866 = {
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xFF, 0xF6, 0xF7, 0xD0, 0xFD, 0xD1, 0xD2, 0xD3, 0xF0, 0xD4, 0xF2, 0xD5, 0xD6, 0xD7, 0xD8, 0xF4,
    0xF8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xFA, 0xF1, 0xFC, 0xF3, 0xDF, 0xF9, 0xFB, 0xFE, 0xF5,
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
};

constexpr std::array<std::uint8_t, 128> invert(const std::array<std::uint8_t, 128>& forward) {
  std::array<std::uint8_t, 128> inverse{};
  for (std::size_t i = 0; i < forward.size(); ++i) {
    inverse[static_cast<std::size_t>(forward[i] - 0x80)] = static_cast<std::uint8_t>(0x80 + i);
  }
  return inverse;
}

constexpr std::array<std::uint8_t, 128> kUpper866To1251 = invert(kUpper1251To866);

// Reverse look-up of 1251 by code point; built once.
struct ReverseTable {
  std::array<std::pair<char32_t, std::uint8_t>, 128> entries{};
  ReverseTable() {
    for (std::size_t i = 0; i < 128; ++i) {
      const char32_t code = kUpper1251[i] == 0 ? static_cast<char32_t>(0x80 + i) : char32_t{kUpper1251[i]};
      entries[i] = {code, static_cast<std::uint8_t>(0x80 + i)};
    }
  }
  int find(char32_t code) const {
    for (const auto& [unicode, byte] : entries) {
      if (unicode == code) return byte;
    }
    return -1;
  }
};

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

char32_t unicodeFrom1251(std::uint8_t byte) {
  if (byte < 0x80) return byte;
  const char16_t code = kUpper1251[byte - 0x80u];
  return code == 0 ? char32_t{byte} : char32_t{code};
}

char32_t unicodeFrom866(std::uint8_t byte) {
  return byte < 0x80 ? char32_t{byte} : char32_t{kUpper866[byte - 0x80u]};
}

std::string utf8From1251(std::string_view cp1251) {
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (const char c : cp1251) appendUtf8(out, unicodeFrom1251(static_cast<std::uint8_t>(c)));
  return out;
}

std::string cp1251FromUtf8(std::string_view utf8) {
  static const ReverseTable reverse;
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    char32_t code = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
    bool valid = length != 0 && i + static_cast<std::size_t>(length) <= utf8.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(utf8[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (!valid) {
      out.push_back('?');
      ++i;
      continue;
    }
    const int byte = reverse.find(code);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::uint8_t oemFromAnsi(std::uint8_t cp1251) {
  return cp1251 < 0x80 ? cp1251 : kUpper1251To866[cp1251 - 0x80u];
}

std::uint8_t ansiFromOem(std::uint8_t cp866) {
  return cp866 < 0x80 ? cp866 : kUpper866To1251[cp866 - 0x80u];
}

namespace {

using ByteTable = std::array<std::uint8_t, 256>;

constexpr ByteTable wholeTable(const std::array<std::uint8_t, 128>& upper) {
  ByteTable table{};
  for (std::size_t byte = 0; byte < 256; ++byte)
    table[byte] = byte < 0x80 ? static_cast<std::uint8_t>(byte) : upper[byte - 0x80];
  return table;
}

// The Russian letters, nearly all of the text that is not ASCII, lie in two ranges of each code
// page that map onto ranges of the other by a constant shift; the rest goes through the table.
struct ShiftedRange {
  std::uint8_t low;
  std::uint8_t high;
  std::uint8_t shift;  // added modulo 256
};
struct Translation {
  ByteTable table;
  ShiftedRange first;
  ShiftedRange second;
};

constexpr bool rangeMatches(const ByteTable& table, const ShiftedRange& range) {
  for (unsigned byte = range.low; byte <= range.high; ++byte) {
    if (table[byte] != static_cast<std::uint8_t>(byte + range.shift)) return false;
  }
  return true;
}

constexpr Translation k1251To866{wholeTable(kUpper1251To866), {0xC0, 0xEF, 0xC0}, {0xF0, 0xFF, 0xF0}};
constexpr Translation k866To1251{wholeTable(kUpper866To1251), {0x80, 0xAF, 0x40}, {0xE0, 0xEF, 0x10}};
static_assert(rangeMatches(k1251To866.table, k1251To866.first) && rangeMatches(k1251To866.table, k1251To866.second));
static_assert(rangeMatches(k866To1251.table, k866To1251.first) && rangeMatches(k866To1251.table, k866To1251.second));

#if defined(__SSE2__)
// Lanes of `v` within [low, high], as all-ones bytes.
__m128i inRange(__m128i v, const ShiftedRange& range) {
  const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(range.low)));
  const __m128i width = _mm_set1_epi8(static_cast<char>(range.high - range.low));
  return _mm_cmpeq_epi8(_mm_min_epu8(offset, width), offset);
}
#endif

// Most text in records is blank padding and Russian letters: sixteen bytes at a time are left
// alone while all are ASCII and shifted while all lie in ASCII or the two ranges; anything else,
// and the tail, goes byte by byte through the table.
void translate(std::span<std::uint8_t> text, const Translation& translation) {
  const ByteTable& table = translation.table;
  std::uint8_t* at = text.data();
  std::uint8_t* const end = at + text.size();
#if defined(__SSE2__)
  for (; end - at >= 16; at += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    if (_mm_movemask_epi8(v) == 0) continue;
    const __m128i first = inRange(v, translation.first);
    const __m128i second = inRange(v, translation.second);
    const __m128i ascii = _mm_cmpgt_epi8(v, _mm_set1_epi8(-1));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(first, second), ascii)) != 0xFFFF) {
      for (int i = 0; i < 16; ++i) at[i] = table[at[i]];
      continue;
    }
    v = _mm_add_epi8(v, _mm_and_si128(first, _mm_set1_epi8(static_cast<char>(translation.first.shift))));
    v = _mm_add_epi8(v, _mm_and_si128(second, _mm_set1_epi8(static_cast<char>(translation.second.shift))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
  }
#endif
  for (; at != end; ++at) *at = table[*at];
}

}  // namespace

void oemFromAnsi(std::span<std::uint8_t> text) {
  translate(text, k1251To866);
}

void ansiFromOem(std::span<std::uint8_t> text) {
  translate(text, k866To1251);
}

std::string oemFromAnsi(std::string_view cp1251) {
  std::string out(cp1251);
  for (auto& c : out) c = static_cast<char>(oemFromAnsi(static_cast<std::uint8_t>(c)));
  return out;
}

std::string ansiFromOem(std::string_view cp866) {
  std::string out(cp866);
  for (auto& c : out) c = static_cast<char>(ansiFromOem(static_cast<std::uint8_t>(c)));
  return out;
}

}  // namespace veltrano::platform
