// The scenario parser on any text: it stops with an error naming a line of the file, or gives
// steps whose verbs all exist.
#include <algorithm>

#include "fuzz_check.hpp"
#include "scenario/scenario_parser.hpp"

using namespace tessarin;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string_view text = fuzz::text(data, size);
    const ScenarioScript script = ScenarioParser::parse(text);
    const auto lines = 1 + std::count(text.begin(), text.end(), '\n');
    if (script.error) {
        fuzz::check(script.steps.empty(), "an error leaves no steps");
        fuzz::check(script.error->line >= 1 && script.error->line <= lines, "the error's line");
        fuzz::check(!script.error->message.empty(), "the error says what is wrong");
        return 0;
    }
    static const auto verbs = ScenarioParser::verbs();
    for (const ScenarioStep& step : script.steps) {
        fuzz::check(std::find(verbs.begin(), verbs.end(), step.verb) != verbs.end(),
                    "every step is a known verb");
        fuzz::check(step.line >= 1 && step.line <= lines, "every step has its line");
    }
    return 0;
}
