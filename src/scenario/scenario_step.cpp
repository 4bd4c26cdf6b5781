#include "scenario/scenario_step.hpp"

namespace tessarin {

namespace {

template <typename T>
std::optional<T> find(const std::map<std::string, StepValue>& options, const std::string& name) {
    auto found = options.find(name);
    if (found == options.end()) return std::nullopt;
    if (const T* value = std::get_if<T>(&found->second)) return *value;
    return std::nullopt;
}

}  // namespace

const std::string& ScenarioStep::text(std::size_t index) const {
    static const std::string empty;
    if (index >= args.size()) return empty;
    const std::string* value = std::get_if<std::string>(&args[index]);
    return value ? *value : empty;
}

double ScenarioStep::number(std::size_t index) const {
    if (index >= args.size()) return 0;
    const double* value = std::get_if<double>(&args[index]);
    return value ? *value : 0;
}

std::optional<std::string> ScenarioStep::textOption(const std::string& name) const {
    return find<std::string>(options, name);
}
std::optional<double> ScenarioStep::numberOption(const std::string& name) const {
    return find<double>(options, name);
}
std::optional<Size> ScenarioStep::sizeOption(const std::string& name) const {
    return find<Size>(options, name);
}
std::optional<Point> ScenarioStep::pointOption(const std::string& name) const {
    return find<Point>(options, name);
}
std::optional<Rect> ScenarioStep::rectOption(const std::string& name) const {
    return find<Rect>(options, name);
}

std::string ScenarioError::describe() const {
    if (line <= 0) return message;
    return "line " + std::to_string(line) + ": " + message;
}

}  // namespace tessarin
