#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/scenario_step.hpp"

namespace tessarin {

// A whole scenario file, parsed: its steps in order, or the first error (nothing runs then).
struct ScenarioScript {
    std::vector<ScenarioStep> steps;
    std::optional<ScenarioError> error;
};

// Reads scenario files: one step per line, `#` starts a comment, words are separated by
// blanks, text with blanks goes in double quotes (\" and \\ inside). Every line is checked
// against the steps the runner knows (their positional values, key=value options and bare
// flags), so a mistyped file stops before anything runs. Labels are resolved by the runner.
class ScenarioParser {
  public:
    // The longest `advance` one step may take, in seconds.
    static constexpr double kMaxAdvance = 3600;

    static ScenarioScript parse(std::string_view text);
    // One line; none for a blank or comment-only line.
    static std::optional<ScenarioStep> parseLine(std::string_view line, int number,
                                                 std::optional<ScenarioError>& error);

    // The verbs that a file may use, in the order the documentation lists them.
    static std::vector<std::string> verbs();
};

}  // namespace tessarin
