#include "ui/ui_windows.hpp"

#include <QGuiApplication>
#include <QScreen>

#include "ui/onboarding_view.hpp"
#include "ui/settings_window.hpp"

namespace tessarin {

namespace {

void centre(QWidget& window) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

// Brings the window to the front even while another application is active.
void present(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

UIWindows::UIWindows(UiContext& context) : context_(context) {}

UIWindows::~UIWindows() {
    delete onboarding_.data();
}

void UIWindows::showSettings() {
    showSettings(std::nullopt);
}

void UIWindows::showSettings(std::optional<SettingsTab> tab) {
    if (!settings_) {
        settings_ = std::make_unique<SettingsWindow>(context_, nullptr);
        centre(*settings_);
    }
    if (tab) settings_->showTab(*tab);
    present(*settings_);
}

void UIWindows::showOnboarding() {
    if (onboarding_) {
        onboarding_->close();
        // Not deleted at once: this may run from inside the old tour's own event.
        onboarding_->deleteLater();
    }
    // Done closes the window; it stays until the next tour replaces it.
    auto self = std::make_shared<QPointer<OnboardingView>>();
    auto* view = new OnboardingView(
        context_,
        [self] {
            if (*self) (*self)->close();
        },
        context_.keyboardLayout);
    *self = view;
    view->setWindowTitle("Welcome to Tessarin");
    view->resize(640, 520);
    centre(*view);
    onboarding_ = view;
    present(*view);
}

}  // namespace tessarin
