#pragma once

#include <QApplication>

namespace tessarin::test {

// The one toolkit application of a test program, on the "offscreen" platform unless the
// environment names another: widgets are laid out and painted without a display.
QApplication& uiApplication();

}  // namespace tessarin::test
