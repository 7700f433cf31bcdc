// The number formatter behind the readouts, the channel line and the
// parameter listing.
#include <gtest/gtest.h>

#include <cmath>

#include "model/NumberFormat.h"

TEST(NumberFormat, PatternTable)
{
    struct Case {
        double value;
        const char* pattern;
        const char* text;
    };
    const Case cases[] = {
        // Voltages: two decimals always ("#" before the last "0" shows too).
        {128 * 5 / 255.0, "##0.#0V", "2.51V"}, {200 * 5 / 255.0, "##0.#0V", "3.92V"},
        {10.0, "##0.#0V", "10.00V"}, {5 / 255.0, "##0.#0V", "0.02V"}, {0.0, "##0.#0V", "0.00V"},
        {99.996, "##0.#0V", "100.00V"},   // rounding carries into a new digit
        // Ratios: "%" scales by 100.
        {255 / 255.0, "0.00%", "100.00%"}, {128 / 255.0, "0.00%", "50.20%"}, {1 / 255.0, "0.00%", "0.39%"},
        // Temperatures: no required integer digit.
        {9.2749, "###.#0'C", "9.27'C"}, {0.27, "###.#0'C", ".27'C"}, {-5.5, "###.#0'C", "-5.50'C"},
        // Megahertz: every decimal up to the last "0" shows.
        {145460000 / 1e6, "###0.#####0", "145.460000"}, {446006250 / 1e6, "###0.#####0", "446.006250"},
        {136000000 / 1e6, "###0.##0", "136.000"}, {0.0, "###0.##0", "0.000"},
        {2293.992224, "###0.#####0", "2293.992224"},   // more digits than places
        // The last shown decimal rounds half away from zero, as the number is written.
        {2.675, "0.00", "2.68"}, {-2.675, "0.00", "-2.68"}, {0.125, "0.00", "0.13"}, {2.5, "0", "3"},
        {-2.5, "0", "-3"}, {9.995, "0.00", "10.00"}, {-0.004, "0.00", "0.00"} /* no minus on zero */,
        // "#" after the last "0" shows only when significant; "0" before the point pads.
        {1.5, "0.0##", "1.5"}, {1.23456, "0.0##", "1.235"}, {2.0, "0.0##", "2.0"}, {5.0, "00.0", "05.0"},
        {7.0, "#.##", "7"}, {0.0, "#.##", "0"}, {3.0, "Ch 0", "Ch 3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.pattern), c.text) << c.value << " with " << c.pattern;
}

TEST(NumberFormat, ValuesThatAreNoNumbersGiveAWordNotACrash)
{
    EXPECT_EQ(FormatNumber(std::nan(""), "##0.#0V"), "NaN");
    EXPECT_EQ(FormatNumber(-HUGE_VAL, "0.00"), "-Infinity");
    EXPECT_EQ(FormatNumber(1e300, "0.00%").substr(0, 4), "1000");
}
