#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/locale.h"
#include "platform/numtext.h"

using namespace platform;

TEST(NumText, GeneralFormatWithFourDigits) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {1.5, "1.5"},
      {90, "90"},
      {2.3333333333, "2.333"},
      {140, "140"},
      {8, "8"},
      {480, "480"},
      {168, "168"},
      {10080, "1.008E04"},
      {0, "0"},
      {-1.5, "-1.5"},
      {0.001, "0.001"},
      {0.0001, "0.0001"},
      {0.00012346, "0.0001235"},
      {9999, "9999"},
      {99999, "1E05"},
      {99995, "1E05"},
      {1234.6, "1235"},
      {0.0625, "0.0625"},
      {1e100, "1E100"},
      {0.00001, "1E-05"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatGeneral(c.value), c.text) << c.value;
}

TEST(NumText, GeneralFormatUsesTheLocaleDecimalSeparator) {
  UserLocale l;
  l.decimalSeparator = ',';
  setUserLocale(l);
  EXPECT_EQ(formatGeneral(1.5), "1,5");
  EXPECT_EQ(tryStrToFloat("1,5"), 1.5);
  setUserLocale(UserLocale::usEnglish());
}

TEST(NumText, Integers) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"0", 0},
      {"  42", 42},
      {"-7", -7},
      {"+7", 7},
      {"$1F", 31},
      {"0x10", 16},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"", std::nullopt},
      {"12 ", std::nullopt},
      {"1.5", std::nullopt},
      {"abc", std::nullopt},
      {"-", std::nullopt},
      {"09", 9},
  };
  for (const Case& c : cases) EXPECT_EQ(tryStrToInt(c.text), c.value) << c.text;
  try {
    strToInt("2x");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'2x' is not a valid integer value");
  }
}

TEST(NumText, RealNumbers) {
  EXPECT_EQ(tryStrToFloat("90"), 90.0);
  EXPECT_EQ(tryStrToFloat(" 1.5 "), 1.5);
  EXPECT_EQ(tryStrToFloat("1.008E04"), 10080.0);
  EXPECT_EQ(tryStrToFloat("-2e-1"), -0.2);
  EXPECT_EQ(tryStrToFloat(".5"), 0.5);
  for (const char* bad : {"", "abc", "1.2.3", "1e", "e5", "1,5", "nan", "inf", "1e999"}) {
    EXPECT_FALSE(tryStrToFloat(bad).has_value()) << bad;
  }
  EXPECT_EQ(floatToText(0.1), "0.1");
  EXPECT_EQ(floatToText(1e20), "1E+20");
}
