#pragma once

#include <vector>

#include <QWidget>

#include "platform/setup_check.hpp"
#include "ui/ui_context.hpp"

class QTimer;
class QVBoxLayout;

namespace tessarin {

// The findings of the desktop setup check with their fixes, read again every 2 seconds while the
// pane exists. Shown in the settings window and as a step of the first-run tour.
class SetupPane : public QWidget {
  public:
    static constexpr int kRefreshMilliseconds = 2000;

    explicit SetupPane(UiContext& context, QWidget* parent = nullptr);
    ~SetupPane() override;

    // Runs the check again and shows its findings when they changed. The timer calls it.
    void refresh();
    const std::vector<SetupFinding>& findings() const { return findings_; }

  protected:
    // The check runs only while the pane can be seen.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void rebuild();

    UiContext& context_;
    QVBoxLayout* list_;
    QTimer* timer_;
    std::vector<SetupFinding> findings_;
    bool built_ = false;
};

}  // namespace tessarin
