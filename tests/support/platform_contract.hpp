#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.hpp"

namespace tessarin::test {

// How a backend stages a desktop for the contract tests: it plays the other applications and
// the user. Frames are in the top-left convention.
class PlatformDriver {
  public:
    // What the backend can stage; a test that needs more is skipped, not failed.
    struct Capabilities {
        bool workspaces = false;         // windows on another workspace
        bool hiding = false;             // hiding a whole application
        bool applicationEvents = false;  // launch and terminate notifications
    };

    virtual ~PlatformDriver() = default;

    virtual Platform platform() = 0;
    virtual Capabilities capabilities() const = 0;
    // Lets what the desktop has sent so far reach the main loop, and runs it.
    virtual void settle() = 0;

    // The displays, primary first, as the test should find them (top-left frames). A driver
    // sets up at least one; two side by side when it can.
    struct Display {
        std::optional<std::string> uuid;
        Rect frame;
    };
    virtual std::vector<Display> displays() const = 0;

    virtual std::optional<Pid> launchApp(const std::string& name) = 0;
    virtual bool quitApp(Pid pid) = 0;
    virtual bool hideApp(Pid pid) = 0;
    virtual std::optional<WindowID> openWindow(Pid pid, const std::string& title, Rect frame) = 0;
    virtual bool closeWindow(WindowID window) = 0;
    virtual bool minimizeWindow(WindowID window) = 0;
    virtual bool sendToOtherWorkspace(WindowID window) = 0;
};

struct ContractBackend {
    std::string name;
    std::function<std::unique_ptr<PlatformDriver>()> make;
};

inline void PrintTo(const ContractBackend& backend, std::ostream* out) {
    *out << backend.name;
}

// The behaviour every backend of the platform boundary must show.
class PlatformContract : public ::testing::TestWithParam<ContractBackend> {
  protected:
    void SetUp() override;

    // Reads an attribute, or none on any error.
    std::optional<AXValue> read(const AXElement& element, const std::string& attribute);
    // The element of a window of `pid`, found through the application's "AXWindows".
    std::optional<AXElement> windowElement(Pid pid, WindowID window);
    std::vector<WindowID> listed(bool onScreenOnly);

    std::unique_ptr<PlatformDriver> driver;
    std::optional<Platform> platform;
};

// Pulls the contract's tests into the test program (they live in a static library).
int platformContractAnchor();

}  // namespace tessarin::test

// Runs the whole contract against one backend.
#define TESSARIN_PLATFORM_CONTRACT(Name, backend)                                \
    [[maybe_unused]] static const int tessarinContractAnchor##Name =             \
        ::tessarin::test::platformContractAnchor();                              \
    using ::tessarin::test::PlatformContract;                                    \
    INSTANTIATE_TEST_SUITE_P(Name, PlatformContract, ::testing::Values(backend), \
                             [](const auto& info) { return info.param.name; })
