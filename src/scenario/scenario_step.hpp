#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "core/geometry.hpp"

namespace tessarin {

// One value written in a scenario file: a word or quoted text, a number, a size ("800x600"),
// a point ("100,40") or a rectangle ("0,0,1440x900").
using StepValue = std::variant<std::string, double, Size, Point, Rect>;

// One line of a scenario file after parsing: its verb, positional values, key=value options
// and bare flags, each already checked against what the verb accepts.
struct ScenarioStep {
    int line = 0;
    std::string verb;
    std::vector<StepValue> args;
    std::map<std::string, StepValue> options;
    std::set<std::string> flags;

    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
    bool hasOption(const std::string& name) const { return options.count(name) != 0; }

    // Typed access; the parser guarantees the kinds, so a wrong kind yields the default.
    const std::string& text(std::size_t index) const;
    double number(std::size_t index) const;
    std::optional<std::string> textOption(const std::string& name) const;
    std::optional<double> numberOption(const std::string& name) const;
    std::optional<Size> sizeOption(const std::string& name) const;
    std::optional<Point> pointOption(const std::string& name) const;
    std::optional<Rect> rectOption(const std::string& name) const;

    bool operator==(const ScenarioStep&) const = default;
};

// A stop in a scenario: the line it happened on (0 when none) and what went wrong.
struct ScenarioError {
    int line = 0;
    std::string message;

    // "line 12: unknown step "opne"".
    std::string describe() const;

    bool operator==(const ScenarioError&) const = default;
};

}  // namespace tessarin
