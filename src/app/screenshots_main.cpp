// tessarin-screenshots: draws the windows of the user interface off screen, on a simulated
// desktop with a few windows, into PNG files for the documentation (scripts/screenshots.sh).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include <QApplication>
#include <QMenu>
#include <QPixmap>

#include "base/log.hpp"
#include "scenario/scenario_parser.hpp"
#include "scenario/scenario_runner.hpp"
#include "scenario/sim_session.hpp"
#include "ui/focus_border.hpp"
#include "ui/gap_preview.hpp"
#include "ui/onboarding_view.hpp"
#include "ui/settings_window.hpp"
#include "ui/status_bar.hpp"
#include "ui/strip_overview.hpp"

namespace tessarin {
namespace {

// Five windows of three applications on one display, the fourth focused.
constexpr const char* kDesktop = R"(
plug MAIN name="Built-in" frame=0,0,1440x900
launch code bundle=org.example.editor name="Editor"
launch term bundle=org.example.terminal name="Terminal"
launch web bundle=org.example.browser name="Browser"
open a app=code title="main.cpp" size=800x600
open b app=term title="build" size=700x500
open c app=web title="Documentation" size=900x700
open d app=code title="notes.md" size=600x400
open e app=term title="logs" size=700x500
start
advance 1
perform focusLeft
advance 1
)";

std::string slug(std::string_view title) {
    std::string out;
    for (char c : title) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!out.empty() && out.back() != '-') {
            out += '-';
        }
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out;
}

bool save(QWidget& widget, const std::string& folder, const std::string& name) {
    widget.ensurePolished();
    const std::string path = folder + "/" + name + ".png";
    if (!widget.grab().save(QString::fromStdString(path))) {
        std::fprintf(stderr, "tessarin-screenshots: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

int run(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tessarin-screenshots FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    Log::Options quiet;
    quiet.systemLog = false;
    Log::configure(quiet);

    OverviewPanel overview([](std::int64_t, const std::string&) {}, [] { return true; });
    BorderWindow border;
    SimSession session;
    session.setOverlays(&overview, &border);
    std::ostringstream ignored;
    ScenarioRunner runner(session, ignored);
    const ScenarioScript script = ScenarioParser::parse(kDesktop);
    if (script.error || runner.run(script.steps)) {
        std::fputs("tessarin-screenshots: the desktop did not come up\n", stderr);
        return 1;
    }
    // The simulated desktop plays macOS; its one default finding would not fit these pictures.
    session.desktop().setSystemPreference("com.apple.WindowManager", "EnableTilingByEdgeDrag", 0);
    UiContext context{.platform = session.desktop().platform(session.queues()),
                      .prefs = session.preferences(),
                      .engine = session.engine(),
                      .hotKeys = &session.hotKeys(),
                      .version = "0.1.0"};
    bool ok = true;

    StatusBarController status(context);
    status.rebuild();
    status.menu().adjustSize();
    ok &= save(status.menu(), folder, "menu");

    SettingsWindow settings(context);
    settings.resize(760, 560);
    for (SettingsTab tab : allSettingsTabs) {
        settings.showTab(tab);
        ok &= save(settings, folder, "settings-" + slug(title(tab)));
    }

    OnboardingView tour(context, [] {});
    tour.resize(640, 520);
    for (int step = 0; step < OnboardingView::kSteps; ++step) {
        ok &= save(tour, folder, "tour-" + std::to_string(step + 1));
        tour.advance();
    }

    session.engine().perform(Action::showOverview);
    session.runPending();
    if (QWidget* panel = overview.panel()) {
        ok &= save(*panel, folder, "overview");
    } else {
        std::fputs("tessarin-screenshots: the overview did not show\n", stderr);
        ok = false;
    }

    GapPreview preview(session.engine(), [] { return true; });
    preview.show(20, 24, "Gap between windows: 20 pt");
    if (!preview.overlays().empty()) {
        ok &= save(*preview.overlays().front(), folder, "gap-preview");
    } else {
        ok = false;
    }
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace tessarin

int main(int argc, char** argv) {
    return tessarin::run(argc, argv);
}
