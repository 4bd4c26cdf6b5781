#include "app/msg_command.hpp"

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>

#include "app/ipc.hpp"
#include "core/action.hpp"

namespace tessarin {

namespace {

constexpr const char* kMsgUsage =
    "usage: tessarin msg ACTION | --json state|windows|displays | dump | subscribe | --list";

void fail(const std::string& message) {
    std::fprintf(stderr, "tessarin: %s\n", message.c_str());
}

std::string display() {
    const char* value = std::getenv("DISPLAY");
    return value ? value : "";
}

// The request the arguments ask for; none (after saying why) when they ask for nothing known.
std::optional<nlohmann::json> requestFor(int argc, char** argv) {
    const std::string first = argv[0];
    if (first == "--json") {
        const std::string what = argc == 2 ? argv[1] : "";
        if (what == "state" || what == "windows" || what == "displays")
            return nlohmann::json{{"command", what}};
        fail("--json takes \"state\", \"windows\" or \"displays\"");
        return std::nullopt;
    }
    if (argc != 1) {
        fail(kMsgUsage);
        return std::nullopt;
    }
    if (first == "dump" || first == "subscribe") return nlohmann::json{{"command", first}};
    if (actionNamed(first)) return nlohmann::json{{"command", "action"}, {"name", first}};
    fail("unknown action \"" + first + "\"; `tessarin msg --list` shows the actions");
    return std::nullopt;
}

// The error of a refused reply; none when the reply says ok.
std::optional<std::string> refusal(const nlohmann::json& answer) {
    if (!answer.is_object()) return "bad reply";
    if (answer.value("ok", false) == true) return std::nullopt;
    const auto error = answer.find("error");
    return error != answer.end() && error->is_string() ? error->get<std::string>() : "refused";
}

// What `exchange` answers, when asked to wait, while no copy listens.
constexpr int kNotYet = -1;
int exchange(const nlohmann::json& request, bool wait = false);

// Prints the events as they come, each flushed at once for whoever follows the pipe.
int follow(const std::filesystem::path& path, const nlohmann::json& request) {
    bool notRunning = false;
    std::string error;
    bool first = true;
    std::optional<std::string> refused;
    const bool followed = ipcFollow(
        path, request.dump(),
        [&](const std::string& line) {
            if (first) {
                first = false;
                refused = refusal(nlohmann::json::parse(line, nullptr, false));
                return !refused;
            }
            std::fputs((line + "\n").c_str(), stdout);
            return std::fflush(stdout) == 0;  // the reader went: nobody to tell
        },
        notRunning, error);
    if (!followed) {
        fail(notRunning ? "no running copy for display " + display() : error);
        return 2;
    }
    if (refused) {
        fail(*refused);
        return 1;
    }
    return 0;
}

}  // namespace

int runMessage(int argc, char** argv) {
    if (argc < 1 || argc > 2) {
        fail(kMsgUsage);
        return 1;
    }
    if (std::string(argv[0]) == "--list" && argc == 1) {
        for (Action action : allActions())
            std::printf("%s\n", std::string(rawValue(action)).c_str());
        return 0;
    }
    const auto request = requestFor(argc, argv);
    if (!request) return 1;
    return exchange(*request);
}

int forwardURL(const std::string& url) {
    // The running copy may still be starting: its lock is taken before its socket listens.
    int status = kNotYet;
    for (int attempt = 0; attempt < 50 && status == kNotYet; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status = exchange({{"command", "url"}, {"url", url}}, attempt < 49);
    }
    return status;
}

namespace {

int exchange(const nlohmann::json& request, bool wait) {
    std::string error;
    auto folder = runtimeFolder(error);
    if (!folder) {
        fail(error);
        return 2;
    }
    const std::filesystem::path path = *folder / (displayKey(display()) + ".sock");
    if (request["command"] == "subscribe") return follow(path, request);
    bool notRunning = false;
    // Bytes that are not UTF-8 (a URL can hold any) go as replacement characters.
    const std::string line = request.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    auto reply = ipcRequest(path, line, notRunning, error);
    if (!reply && notRunning && wait) return kNotYet;
    if (!reply) {
        fail(notRunning ? "no running copy for display " + display() : error);
        return 2;
    }
    const nlohmann::json answer = nlohmann::json::parse(*reply, nullptr, false);
    if (auto refused = refusal(answer)) {
        fail(*refused);
        return 1;
    }
    for (const char* part : {"state", "windows", "displays"}) {
        if (answer.contains(part)) std::printf("%s\n", answer[part].dump(2).c_str());
    }
    if (answer.contains("path") && answer["path"].is_string())
        std::printf("%s\n", answer["path"].get<std::string>().c_str());
    return 0;
}

}  // namespace
}  // namespace tessarin
