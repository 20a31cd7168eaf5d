#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "core/base/NumberRules.h"
#include "core/base/TaggedValue.h"

namespace velmor {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(12.5), 12);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
}

TEST(RoundHalfEven, IntegerConversionsRefuseWhatDoesNotFit) {
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_FALSE(ToInt16(32767.5).has_value());  // rounds to 32768
  EXPECT_EQ(ToInt16(-32768.5), -32768);        // rounds to the even -32768
  EXPECT_FALSE(ToInt16(std::numeric_limits<double>::quiet_NaN()).has_value());
  EXPECT_EQ(ToUInt8(255.5), std::nullopt);
  EXPECT_EQ(ToUInt8(254.5), 254);
  EXPECT_EQ(ToInt32(-1.5), -2);
}

TEST(RoundHalfEven, SaturatedConversionClampsAndTakesNaNAsZero) {
  EXPECT_EQ(SaturatedInt16(2.5), 2);
  EXPECT_EQ(SaturatedInt16(40000), 32767);
  EXPECT_EQ(SaturatedInt16(-1e300), -32768);
  EXPECT_EQ(SaturatedInt16(std::numeric_limits<double>::infinity()), 32767);
  EXPECT_EQ(SaturatedInt16(std::nan("")), 0);
}

TEST(LeadingNumber, TakesTheDecimalNumberTheTextBeginsWith) {
  EXPECT_EQ(LeadingNumber("5x"), 5);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("  12.75 px"), 12.75);
  EXPECT_EQ(LeadingNumber("-3.25kg"), -3.25);
  EXPECT_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_EQ(LeadingNumber("2."), 2);
  EXPECT_EQ(LeadingNumber("-"), 0);
  EXPECT_EQ(LeadingNumber("+7"), 7);
  EXPECT_EQ(LeadingNumber("1,5"), 1);
}

TEST(LeadingNumber, HugeNumbersBecomeInfiniteAndFailIntegerConversion) {
  const double v = LeadingNumber(std::string(400, '9'));
  EXPECT_TRUE(std::isinf(v));
  EXPECT_FALSE(ToInt16(v).has_value());
}

TEST(WholeNumber, AcceptsOnlyANumberAndBlanks) {
  EXPECT_EQ(WholeNumber(" 25 "), 25);
  EXPECT_FALSE(WholeNumber("5x").has_value());
  EXPECT_FALSE(WholeNumber("").has_value());
}

TEST(FormatNumber, ShortestDecimalWithAPeriodInAnyLocale) {
  std::setlocale(LC_ALL, "de_DE.UTF-8");  // a comma locale where installed
  EXPECT_EQ(FormatNumber(10.5), "10.5");
  EXPECT_EQ(FormatNumber(9.0), "9");
  EXPECT_EQ(FormatNumber(0.1), "0.1");
  EXPECT_EQ(FormatNumber(10.5f), "10.5");
  EXPECT_EQ(FormatNumber(0.1f), "0.1");
  EXPECT_EQ(FormatNumber(-0.25), "-0.25");
  EXPECT_EQ(FormatNumber(1e20), "100000000000000000000");
  std::setlocale(LC_ALL, "C");
}

TEST(TaggedValue, ReadsAsNumberTextAndFlag) {
  EXPECT_EQ(NumberOr0(TaggedValue{}), 0);
  EXPECT_EQ(NumberOr0(TaggedValue{std::string("abc")}), 0);
  EXPECT_FALSE(NumberOf(TaggedValue{std::string("abc")}).has_value());
  EXPECT_EQ(NumberOr0(TaggedValue{std::string("25")}), 25);
  EXPECT_EQ(NumberOr0(TaggedValue{true}), -1);
  EXPECT_EQ(TextOf(TaggedValue{int16_t{-5}}), "-5");
  EXPECT_EQ(TextOf(TaggedValue{2.5}), "2.5");
  EXPECT_EQ(TextOf(TaggedValue{}), "");
  EXPECT_TRUE(FlagOf(TaggedValue{std::string("True")}));
  EXPECT_FALSE(FlagOf(TaggedValue{}));
  EXPECT_TRUE(FlagOf(TaggedValue{int16_t{1}}));
}

}  // namespace
}  // namespace velmor
