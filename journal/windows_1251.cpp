#include "journal/windows_1251.h"

#include <array>

namespace tarvelo::journal {

namespace {

constexpr unsigned char kFirstUpper = 0x80;
constexpr unsigned char kFirstLetter = 0xC0;  // "А"; the 64 letters up to "я" follow in order
constexpr char16_t kLetterA = u'А';

// 0x80 to 0xBF; 0x98 has no character.
constexpr std::array<char16_t, kFirstLetter - kFirstUpper> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

}  // namespace

QString fromWindows1251(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    if (code < kFirstUpper) {
      text += QChar(code);
    } else if (code < kFirstLetter) {
      text += QChar(kUpperHalf[code - kFirstUpper]);
    } else {
      text += QChar(static_cast<char16_t>(kLetterA + (code - kFirstLetter)));
    }
  }
  return text;
}

}  // namespace tarvelo::journal
