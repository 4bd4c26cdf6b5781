#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/log_text.hpp"

namespace tessarin {

// Numbers in log lines read like the ones a user types: "100.0", never "1e+02".
TEST(LogText, DecimalsAreShortAndPlain) {
    EXPECT_EQ(LogText::decimal(100), "100.0");
    EXPECT_EQ(LogText::decimal(0), "0.0");
    EXPECT_EQ(LogText::decimal(-25), "-25.0");
    EXPECT_EQ(LogText::decimal(0.1), "0.1");
    EXPECT_EQ(LogText::decimal(1440.5), "1440.5");
    EXPECT_EQ(LogText::decimal(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(LogText::decimal(1e16), "1e+16");
    EXPECT_EQ(LogText::decimal(1e-5), "1e-05");
    EXPECT_EQ(LogText::decimal(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(LogText::optionalFrame(Rect{0, 25, 800, 600}), "Optional((0.0, 25.0, 800.0, 600.0))");
    EXPECT_EQ(LogText::optionalFrame(std::nullopt), "nil");
    EXPECT_EQ(LogText::wholeFrame(Rect{std::nan(""), 1e300, 1.9, -2.7}), "?,? 1x-2");
}

TEST(LogText, WindowDescriptionKeepsFortyCharactersOfTitle) {
    const std::string title = "\u00E9" + std::string(45, 'x');
    EXPECT_EQ(LogText::windowDescription(7, std::nullopt, title),
              "7 ? \u201C\u00E9" + std::string(39, 'x') + "\u201D");
    EXPECT_EQ(LogText::windowDescription(8, std::string("com.example"), ""),
              "8 com.example \u201C\u201D");
    // A base letter keeps its accents and an emoji sequence stays whole; a stray byte counts.
    EXPECT_EQ(LogText::prefix("e\u0301\u0302ab", 2), "e\u0301\u0302a");
    EXPECT_EQ(LogText::prefix("\U0001F469\u200D\U0001F4BBz", 1), "\U0001F469\u200D\U0001F4BB");
    EXPECT_EQ(LogText::prefix("\x80\xC3", 1), "\x80");
    EXPECT_EQ(LogText::prefix("\u0301a", 1), "\u0301");
}

}  // namespace tessarin
