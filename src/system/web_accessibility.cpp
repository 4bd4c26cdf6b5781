#include "system/web_accessibility.hpp"

#include "base/log.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

namespace tessarin {

const std::set<std::string>& WebAccessibility::browsers() {
    static const std::set<std::string> ids{
        "com.google.Chrome",     "com.google.Chrome.beta", "com.google.Chrome.canary",
        "org.chromium.Chromium", "com.brave.Browser",      "company.thebrowser.Browser",
        "com.microsoft.edgemac", "com.vivaldi.Vivaldi",    "com.operasoftware.Opera",
    };
    return ids;
}

bool WebAccessibility::isBrowser(Pid pid) {
    auto app = workspace_.application(pid);
    return app && app->bundleID && browsers().count(*app->bundleID) > 0;
}

void WebAccessibility::ensure(Pid pid) {
    // The block may run after this helper is gone; it holds only what it needs. The workspace
    // belongs to the backend, which outlives every queue.
    mover_->keepEnhancedUIOn(pid, [announced = announced_, &workspace = workspace_, pid] {
        announce(*announced, workspace, pid);
    });
}

void WebAccessibility::announce(Announced& announced, Workspace& workspace, Pid pid) {
    bool isNew = false;
    {
        std::lock_guard guard(announced.lock);
        isNew = announced.pids.insert(pid).second;
    }
    if (!isNew) return;
    std::string name = "browser";
    if (auto running = workspace.application(pid);
        running && running->localizedName && !running->localizedName->empty()) {
        name = *running->localizedName;
    }
    Log::info("asked " + name + " to share its page structure");
}

void WebAccessibility::ensureForRunningBrowsers() {
    if (!threeFingerDrag_ || !threeFingerDrag_()) return;
    for (const RunningApplication& app : workspace_.runningApplications()) {
        if (app.bundleID && browsers().count(*app.bundleID)) ensure(app.pid);
    }
}

}  // namespace tessarin
