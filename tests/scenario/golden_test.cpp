// Golden scenarios: every tests/scenario/golden/*.scenario runs on the sim and its output must
// equal the .expected file beside it, byte for byte. After a deliberate change of behaviour,
// regenerate with TESSARIN_REGENERATE_GOLDEN=1 and read the diff before committing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scenario/scenario_runner.hpp"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

fs::path goldenDir() {
    return fs::path(TESSARIN_SOURCE_DIR) / "tests" / "scenario" / "golden";
}

std::vector<std::string> goldenNames() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(goldenDir(), error)) {
        if (entry.path().extension() == ".scenario") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The lines where two texts first part, for a readable failure.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    std::size_t line = 1;
    std::size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) {
        if (expected[i] == '\n') ++line;
        ++i;
    }
    auto lineAt = [&](const std::string& text) {
        std::size_t start = text.rfind('\n', i == 0 ? 0 : i - 1);
        start = start == std::string::npos || i == 0 ? 0 : start + 1;
        return text.substr(start, text.find('\n', start) - start);
    };
    return "first difference on output line " + std::to_string(line) +
           "\n  expected: " + lineAt(expected) + "\n  actual:   " + lineAt(actual);
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, PrintsWhatItsExpectedFileHolds) {
    const fs::path scenario = goldenDir() / (GetParam() + ".scenario");
    const fs::path expected = goldenDir() / (GetParam() + ".expected");
    auto outcome = ScenarioRunner::runText(readFile(scenario));
    std::string actual = outcome.output;
    if (outcome.error) actual += "error: " + outcome.error->describe() + "\n";

    if (std::getenv("TESSARIN_REGENERATE_GOLDEN")) {
        std::ofstream(expected, std::ios::binary) << actual;
        GTEST_SKIP() << "wrote " << expected;
    }
    ASSERT_TRUE(fs::exists(expected))
        << expected << " is missing; run with TESSARIN_REGENERATE_GOLDEN=1 to write it";
    EXPECT_FALSE(outcome.error) << "a golden scenario must run to its end";
    const std::string wanted = readFile(expected);
    EXPECT_TRUE(wanted == actual) << firstDifference(wanted, actual) << "\n\nwhole output:\n"
                                  << actual;
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, Golden, ::testing::ValuesIn(goldenNames()), [](const auto& info) {
        std::string name = info.param;
        std::replace_if(
            name.begin(), name.end(),
            [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);

}  // namespace
}  // namespace tessarin::test
