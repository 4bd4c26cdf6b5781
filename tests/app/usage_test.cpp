#include "app/usage.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace tessarin {
namespace {

// The help and the manual page are kept by hand; an option added to one must reach the other.
TEST(UsageTest, EveryOptionAndCommandOfTheManualPageIsInTheHelp) {
    std::ifstream page(std::string(TESSARIN_SOURCE_DIR) + "/docs/tessarin.1.scd");
    const std::string usage = usageText();
    int terms = 0;
    for (std::string line; std::getline(page, line);) {
        if (!line.starts_with("*--") && !line.starts_with("*msg") &&
            !line.starts_with("_tessarin://"))
            continue;
        std::erase(line, '*');
        std::erase(line, '_');
        for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 2, ++terms) {
            end = line.find(", ", start);
            const std::string term = line.substr(start, end - start);
            EXPECT_NE(usage.find(term), std::string::npos) << term;
        }
    }
    EXPECT_EQ(terms, 14);
}

}  // namespace
}  // namespace tessarin
