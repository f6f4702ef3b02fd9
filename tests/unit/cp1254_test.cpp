#include <gtest/gtest.h>
#include <iconv.h>

#include "base/cp1254.h"
#include "base/utf8.h"
#include "form/form_state.h"

namespace dorvan {
namespace {

// What the system's own converter makes of one byte, or nothing for a byte it leaves unassigned.
std::optional<std::string> iconvDecode(std::uint8_t byte) {
  iconv_t cd = iconv_open("UTF-8", "CP1254");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* inp = in;
  char* outp = out;
  std::size_t inLeft = 1, outLeft = sizeof out;
  const std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  return std::string(out, sizeof out - outLeft);
}

TEST(Cp1254, EveryAssignedByteDecodesAsTheSystemConverterSaysAndEncodesBack) {
  int checked = 0;
  for (int b = 0; b < 256; ++b) {
    const std::string bytes(1, static_cast<char>(b));
    const std::string text = cp1254::decode(bytes);
    if (const auto expected = iconvDecode(static_cast<std::uint8_t>(b))) {
      EXPECT_EQ(text, *expected) << "byte " << b;
      ++checked;
    }
    std::string back;
    ASSERT_TRUE(cp1254::encode(text, back)) << "byte " << b;
    EXPECT_EQ(back, bytes) << "byte " << b;
  }
  EXPECT_GE(checked, 249) << "iconv's CP1254 table is there";
}

TEST(Cp1254, UnassignedBytesBecomeTheC1ControlOfTheSameValue) {
  for (int b : {0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E})
    EXPECT_EQ(cp1254::toUnicode(static_cast<std::uint8_t>(b)), static_cast<char32_t>(b));
}

TEST(Cp1254, TurkishLettersHaveTheirBytes) {
  std::string bytes;
  ASSERT_TRUE(cp1254::encode("ŞşİıĞğÇçÖöÜü", bytes));
  EXPECT_EQ(bytes, "\xDE\xFE\xDD\xFD\xD0\xF0\xC7\xE7\xD6\xF6\xDC\xFC");
  EXPECT_EQ(cp1254::fromUnicode(U'Ş'), 0xDE);
  EXPECT_EQ(cp1254::fromUnicode(U'€'), 0x80);
}

TEST(Cp1254, CharactersOutsideThePageAreRefusedNotReplaced) {
  std::string bytes;
  EXPECT_FALSE(cp1254::encode("Ð", bytes)) << "U+00D0 gave its byte to Ğ";
  EXPECT_FALSE(cp1254::encode("ж", bytes));
  EXPECT_FALSE(cp1254::encode("\xFF", bytes)) << "not UTF-8";
  EXPECT_EQ(cp1254::keepRepresentable("Lamba ж salon €😀"), "Lamba  salon €");
  EXPECT_EQ(cp1254::keepRepresentable("a\xC3"), "a") << "a cut sequence is dropped";
}

TEST(Utf8, DecodesOnlyWellFormedSequences) {
  const auto first = [](std::string_view s) {
    std::size_t pos = 0;
    return utf8::next(s, pos);
  };
  EXPECT_EQ(first("İ"), U'İ');
  EXPECT_EQ(first("\xC0\xAF"), utf8::kInvalid) << "overlong";
  EXPECT_EQ(first("\xED\xA0\x80"), utf8::kInvalid) << "surrogate";
  EXPECT_EQ(first("\xE2\x82"), utf8::kInvalid) << "cut short";
  EXPECT_EQ(utf8::length("BİTİŞ"), 5u);
}

TEST(Utf8, CutsAtCharactersNotBytes) {
  EXPECT_EQ(cutToCharacters("ŞŞŞŞŞŞŞŞŞŞŞŞ", 10), "ŞŞŞŞŞŞŞŞŞŞ");
  EXPECT_EQ(cutToCharacters("07:30:00 ", 8), "07:30:00");
  EXPECT_EQ(cutToCharacters("kısa", 29), "kısa");
}

}  // namespace
}  // namespace dorvan
