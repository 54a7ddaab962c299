#include <gtest/gtest.h>

#include <string>

#include "text/codepage.h"

namespace pkt {
namespace {

TEST(Cp1251, AllBytesRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1251(utf8), all);
  // Byte by byte too: each byte is one character of its own.
  for (int b = 0; b < 256; ++b) {
    std::string one(1, char(b));
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(one)), one) << b;
  }
}

TEST(Cp1251, KnownCharacters) {
  EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8"), "АяЁё");
  EXPECT_EQ(Cp1251ToUtf8("\x88\xB9\x96"), "€№–");
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98");  // unassigned: U+0098
  EXPECT_EQ(Cp1251ToUtf8("\xA0"), "\xC2\xA0");
  EXPECT_EQ(Cp1251ToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Utf8ToCp1251("Привет, Ёж!"), "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6!");
  std::string out = "x";
  AppendCp1251AsUtf8(out, "\xC0");
  AppendUtf8AsCp1251(out, "Б");
  EXPECT_EQ(out, "xА\xC1");
}

TEST(Cp1251, CharactersWithoutAByteAndMalformedInput) {
  EXPECT_EQ(Utf8ToCp1251("日本"), "??");
  EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80"), "?");  // U+1F600
  EXPECT_EQ(Utf8ToCp1251("\xC2\x80"), "?");          // U+0080 has no byte (0x80 is Ђ)
  // Thousands separators of number formats become the no-break space.
  EXPECT_EQ(Utf8ToCp1251("1\xE2\x80\xAF" "000\xE2\x80\x87" "5"), "1\xA0" "000\xA0" "5");
  // Malformed sequences: one '?' each, the following bytes read afresh.
  EXPECT_EQ(Utf8ToCp1251("a\x80z"), "a?z");              // stray continuation byte
  EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?");                // truncated at the end
  EXPECT_EQ(Utf8ToCp1251("\xE2\x80z"), "?z");            // truncated before an ASCII byte
  EXPECT_EQ(Utf8ToCp1251("\xC0\x80"), "??");             // overlong NUL
  EXPECT_EQ(Utf8ToCp1251("\xE0\x80\xC1"), "??");         // overlong, then a bad lead byte
  EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "?");          // surrogate
  EXPECT_EQ(Utf8ToCp1251("\xF4\x90\x80\x80"), "?");      // above U+10FFFF
  EXPECT_EQ(Utf8ToCp1251("\xFF\xFE"), "??");
}

TEST(OemToAnsi, LettersSignsAndPseudoGraphics) {
  // Every cp866 letter: А..Я, а..п, р..я, Ё ё.
  std::string oem;
  for (int b = 0x80; b <= 0xAF; ++b) oem.push_back(char(b));
  for (int b = 0xE0; b <= 0xF1; ++b) oem.push_back(char(b));
  OemToAnsi(oem.data(), oem.size());
  EXPECT_EQ(Cp1251ToUtf8(oem), "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяЁё");

  std::string signs = "\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xFA\xFC\xFD\xFF";
  OemToAnsi(signs.data(), signs.size());
  EXPECT_EQ(Cp1251ToUtf8(signs), "ЄєЇїЎў°·№¤\xC2\xA0");

  // ┌─┬╗ │║ ╚═╩╝ ░▓█ ■ √ ∙
  std::string box = "\xDA\xC4\xC2\xBB \xB3\xBA \xC8\xCD\xCA\xBC \xB0\xB2\xDB \xFE \xFB \xF9";
  OemToAnsi(box.data(), box.size());
  EXPECT_EQ(box, "+-++ || +=++ ### # v \xB7");

  // ASCII, control bytes and zeros stay; only the given bytes are touched.
  std::string plain("Az09 \t\x01", 7);
  plain.push_back('\0');
  plain += "\x80";
  OemToAnsi(plain.data(), plain.size() - 1);
  EXPECT_EQ(plain, std::string("Az09 \t\x01\0\x80", 9));
  OemToAnsi(nullptr, 0);
}

}  // namespace
}  // namespace pkt
