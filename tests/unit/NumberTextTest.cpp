// SPDX-License-Identifier: MIT
#include "NumberText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

using quillet::Precision;
using quillet::readNumber;
using quillet::writeNumber;

TEST(ReadNumber, TakesTheNumberTheTextBeginsWith) {
    EXPECT_EQ(readNumber("8000"), 8000);
    EXPECT_EQ(readNumber("800x"), 800);
    EXPECT_EQ(readNumber("200px"), 200);
    EXPECT_EQ(readNumber("120.5"), 120.5);
    EXPECT_EQ(readNumber(".5"), 0.5);
    EXPECT_EQ(readNumber("-.5"), -0.5);
    EXPECT_EQ(readNumber("+7"), 7);
    EXPECT_EQ(readNumber("1.2.3"), 1.2);
    EXPECT_EQ(readNumber("-"), 0);
    EXPECT_EQ(readNumber("."), 0);
}

TEST(ReadNumber, TextWithoutANumberReadsZero) {
    EXPECT_EQ(readNumber(""), 0);
    EXPECT_EQ(readNumber("abc"), 0);
    EXPECT_EQ(readNumber("x800"), 0);
    EXPECT_EQ(readNumber("\r8"), 0); // a carriage return is not one of the skipped blanks
}

TEST(ReadNumber, SkipsBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(readNumber("  12"), 12);
    EXPECT_EQ(readNumber("1 2 0"), 120);
    EXPECT_EQ(readNumber("\t- 1\n2.\t5"), -12.5);
    EXPECT_EQ(readNumber("1 e 2"), 100);
}

TEST(ReadNumber, AcceptsExponentsAndIgnoresTheLocale) {
    EXPECT_EQ(readNumber("1E+20"), 1e20);
    EXPECT_EQ(readNumber("1e3"), 1000);
    EXPECT_EQ(readNumber("25E-1"), 2.5);
    EXPECT_EQ(readNumber("2D2"), 200);
    EXPECT_EQ(readNumber("3E"), 3); // an exponent without digits is not part of the number
    EXPECT_EQ(readNumber("3E+x"), 3);
    EXPECT_EQ(readNumber("1,5"), 1); // a comma is never the decimal point
    EXPECT_TRUE(std::isinf(readNumber("1E999")));
    EXPECT_EQ(readNumber("1E-999"), 0);
}

TEST(ReadNumber, ReadsHexadecimalAndOctal) {
    EXPECT_EQ(readNumber("&H1F"), 31);
    EXPECT_EQ(readNumber("&hff"), 255);
    EXPECT_EQ(readNumber("&O17"), 15);
    EXPECT_EQ(readNumber("&O19"), 1); // 9 is no octal digit
    EXPECT_EQ(readNumber("&H"), 0);
    EXPECT_EQ(readNumber("&X1"), 0);
}

TEST(WriteNumber, ShortestDecimalWithoutLeadingZero) {
    EXPECT_EQ(writeNumber(8000, Precision::Single), "8000");
    EXPECT_EQ(writeNumber(120, Precision::Double), "120");
    EXPECT_EQ(writeNumber(120.5, Precision::Double), "120.5");
    EXPECT_EQ(writeNumber(0.5, Precision::Double), ".5");
    EXPECT_EQ(writeNumber(-0.5, Precision::Double), "-.5");
    EXPECT_EQ(writeNumber(-500, Precision::Single), "-500");
    EXPECT_EQ(writeNumber(0, Precision::Double), "0");
    EXPECT_EQ(writeNumber(0.0001, Precision::Double), ".0001");
}

TEST(WriteNumber, UsesExponentFormBeyondThePrecision) {
    EXPECT_EQ(writeNumber(1e20, Precision::Double), "1E+20");
    EXPECT_EQ(writeNumber(1.5e20, Precision::Double), "1.5E+20");
    EXPECT_EQ(writeNumber(1e15, Precision::Double), "1E+15");
    EXPECT_EQ(writeNumber(999999999999999, Precision::Double), "999999999999999");
    EXPECT_EQ(writeNumber(1e7, Precision::Single), "1E+07");
    EXPECT_EQ(writeNumber(9999999, Precision::Single), "9999999");
    EXPECT_EQ(writeNumber(0.00001, Precision::Double), "1E-05");
    EXPECT_EQ(writeNumber(-2.5e-7, Precision::Double), "-2.5E-07");
    EXPECT_EQ(writeNumber(1e100, Precision::Double), "1E+100");
}

TEST(WriteNumber, RoundsToSingleOrDoublePrecision) {
    EXPECT_EQ(writeNumber(5333.3333333, Precision::Single), "5333.333");
    EXPECT_EQ(writeNumber(5333.3333333, Precision::Double), "5333.3333333");
    EXPECT_EQ(writeNumber(1.0 / 3, Precision::Double), ".333333333333333");
    EXPECT_EQ(writeNumber(static_cast<float>(0.1), Precision::Single), ".1");
    EXPECT_EQ(writeNumber(2.0 / 3, Precision::Single), ".6666667");
    EXPECT_EQ(writeNumber(99999995, Precision::Single), "1E+08");
}

TEST(WriteNumber, RoundTripsThroughTheReader) {
    for (double value : {8000.0, 120.5, 0.5, -0.5, 1e20, 1e-5, 123456789012345.0, 2.5}) {
        EXPECT_EQ(readNumber(writeNumber(value, Precision::Double)), value) << value;
    }
}

TEST(WriteNumber, RefusesNumbersThatAreNotFinite) {
    // The largest double rounds up past itself in 15 digits: it is written one step lower, so
    // that what is stored reads back as a number.
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(writeNumber(largest, Precision::Double), "1.79769313486231E+308");
    EXPECT_NEAR(readNumber(writeNumber(-largest, Precision::Double)), -largest, largest * 1e-14);
    EXPECT_THROW(writeNumber(std::numeric_limits<double>::infinity(), Precision::Double),
                 std::domain_error);
    EXPECT_THROW(writeNumber(std::nan(""), Precision::Single), std::domain_error);
}

TEST(SingleAndRounding, ConversionsRefuseWhatDoesNotFit) {
    EXPECT_EQ(quillet::toSingle(8000), 8000.0f);
    EXPECT_THROW(quillet::toSingle(1e39), std::overflow_error);
    EXPECT_THROW(quillet::toSingle(std::nan("")), std::overflow_error);
    EXPECT_EQ(quillet::roundHalfEven(76.5), 76);
    EXPECT_EQ(quillet::roundHalfEven(77.5), 78);
    EXPECT_EQ(quillet::roundHalfEven(-2.5), -2);
    EXPECT_THROW(quillet::roundHalfEven(1e12), std::overflow_error);
}
