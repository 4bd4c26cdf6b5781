#include "ui/ui_application.hpp"

#include <cstdlib>

namespace tessarin::test {

QApplication& uiApplication() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* created = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return created;
    }();
    return *application;
}

}  // namespace tessarin::test

// Fontconfig keeps its caches until the process ends; LeakSanitizer would count them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so.1\n";
}
