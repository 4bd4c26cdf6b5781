#pragma once

#include <QWidget>

#include "ui/ui_context.hpp"

namespace tessarin {

// The findings of the desktop setup check with their fixes, read again every 2 seconds while the
// pane exists. Shown in the settings window and as a step of the first-run tour.
class SetupPane : public QWidget {
  public:
    explicit SetupPane(UiContext& context, QWidget* parent = nullptr);
    ~SetupPane() override;

  private:
    UiContext& context_;
};

}  // namespace tessarin
