#include "ui/settings_window.hpp"

namespace tessarin {

SettingsWindow::SettingsWindow(UiContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setWindowTitle("Tessarin Settings");
    resize(760, 560);
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::showTab(SettingsTab tab) {
    tab_ = tab;
}

}  // namespace tessarin
