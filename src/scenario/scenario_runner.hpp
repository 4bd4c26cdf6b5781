#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "backends/sim/sim_types.hpp"
#include "scenario/scenario_picture.hpp"
#include "scenario/scenario_step.hpp"
#include "scenario/sim_session.hpp"

namespace tessarin {

// Plays parsed scenario steps on a simulated desktop with the engine: the steps play the
// user, the other applications and the hardware; `print` writes what the engine made of it.
// After every step the work that is due runs without moving the clock; only `advance` (and
// nothing else) lets time pass, so the same file always prints the same text.
class ScenarioRunner {
  public:
    // `pictures` draws the `print picture` files; without one that step fails.
    ScenarioRunner(SimSession& session, std::ostream& out, PictureWriter* pictures = nullptr);

    // Runs the steps in order and stops at the first that cannot be carried out.
    std::optional<ScenarioError> run(const std::vector<ScenarioStep>& steps);
    std::optional<ScenarioError> run(const ScenarioStep& step);

    // The window and application labels of the file, by number.
    const std::map<WindowID, std::string>& windowLabels() const { return windowNames_; }
    std::optional<WindowID> window(const std::string& label) const;
    std::optional<Pid> application(const std::string& label) const;

    // Parses and runs a whole file on a fresh session; what it printed, and the error if any.
    struct Outcome {
        std::string output;
        std::optional<ScenarioError> error;
    };
    static Outcome runText(std::string_view text);

  private:
    using Result = std::optional<std::string>;  // an error message, or none

    Result runStep(const ScenarioStep& step);
    Result display(const ScenarioStep& step);
    Result application(const ScenarioStep& step);
    Result open(const ScenarioStep& step);
    Result windowStep(const ScenarioStep& step);
    Result userFrameChange(const ScenarioStep& step);
    Result applicationFrameChange(const ScenarioStep& step);
    Result engineStep(const ScenarioStep& step);
    Result inputStep(const ScenarioStep& step);
    Result print(const ScenarioStep& step);

    // The live window or application behind a label, or an error naming it.
    Result resolveWindow(const std::string& label, WindowID& id) const;
    Result resolveApplication(const std::string& label, Pid& pid) const;

    SimSession& session_;
    std::ostream& out_;
    PictureWriter* pictures_;
    std::map<std::string, Pid> apps_;
    std::map<std::string, WindowID> windows_;
    std::map<WindowID, std::string> windowNames_;
    std::vector<WindowID> openingOrder_;
    std::map<std::string, std::uint32_t> plugged_;            // uuid → display number
    std::map<std::string, sim::DisplaySetup> displaySetups_;  // uuid → how it was last plugged
    std::size_t logPrinted_ = 0;
};

}  // namespace tessarin
