#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scenario/sim_session.hpp"
#include "ui/settings_window.hpp"
#include "ui/ui_application.hpp"

namespace tessarin::test {

// A settings window over a simulated desktop, recording what it asks of the gap preview.
struct SettingsFixture : ::testing::Test {
    SettingsFixture() {
        context.showGapPreview = [this](double gap, double outer, const std::string& caption) {
            previews.push_back({gap, outer, caption});
        };
        context.hideGapPreview = [this] { ++hides; };
    }

    template <typename W = QWidget>
    W* find(const QString& name) {
        auto* found = window.findChild<W*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    struct Preview {
        double gap, outer;
        std::string caption;
    };
    QApplication& application = uiApplication();
    SimSession session;
    Preferences& prefs = session.preferences();
    UiContext context{session.desktop().platform(session.queues()),
                      prefs,
                      session.engine(),
                      &session.hotKeys(),
                      nullptr,
                      {},
                      {},
                      {},
                      {},
                      {},
                      {}};
    std::vector<Preview> previews;
    int hides = 0;
    SettingsWindow window{context};
};

}  // namespace tessarin::test
