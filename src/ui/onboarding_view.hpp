#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QWidget>

#include "core/action.hpp"
#include "core/default_shortcuts.hpp"
#include "core/keyboard_layout.hpp"
#include "ui/ui_context.hpp"

class QCheckBox;
class QLabel;
class QPushButton;
class QSequentialAnimationGroup;
class QStackedWidget;

class QTimer;

namespace tessarin {

// The five shortcuts the tour asks the user to try, ticked off as the engine performs them,
// whatever the source (a key, the menu, a URL).
class Practice {
  public:
    struct Item {
        std::string id;
        std::string title;
        std::string hint;
        // The shortcuts as shown, read once when the practice is made.
        std::string keys;
        std::vector<Action> actions;
    };

    Practice(const Bindings& bindings, const KeyboardLayout* layout);
    // A practice that hears every action `engine` performs for as long as it lives: the engine
    // outlives the tour, so it holds the practice weakly.
    static std::shared_ptr<Practice> observing(WindowManager& engine, const Bindings& bindings,
                                               const KeyboardLayout* layout);

    const std::vector<Item>& items() const { return items_; }
    const std::set<std::string>& done() const { return done_; }
    // Ticks the first item that counts `action`.
    void performed(Action action);

    // Called after an item was ticked.
    std::function<void()> onChange;

  private:
    std::vector<Item> items_;
    std::set<std::string> done_;
};

// A miniature strip for the tour's first step: five tiles under a viewport, sliding to the left
// and back for ever while shown.
class StripIllustration : public QWidget {
    Q_OBJECT

  public:
    explicit StripIllustration(QWidget* parent = nullptr);
    ~StripIllustration() override;

    // How far the row has slid: 0 at rest, 1 at 0.75 of the width to the left.
    void setPhase(double phase);
    double phase() const { return phase_; }

    // The picture in `bounds` with the row moved by `offset` (negative: to the left).
    static void paint(QPainter& painter, const QRectF& bounds, double offset,
                      const QPalette& palette);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    double phase_ = 0;
    QSequentialAnimationGroup* animation_;
};

// The first-run tour: welcome, permission, the desktop setup check, and the shortcut practice,
// with step dots, Back and Continue (Done at the end). Finishing records that the tour was
// completed and applies the log-in choice.
class OnboardingView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kSteps = 4;

    // `onFinish` runs after Done; `layout` labels the shortcuts' keys (the US layout when none).
    OnboardingView(UiContext& context, std::function<void()> onFinish,
                   const KeyboardLayout* layout = nullptr, QWidget* parent = nullptr);
    ~OnboardingView() override;

    int step() const { return step_; }
    bool trusted() const { return trusted_; }
    Practice& practice() { return *practice_; }

    // Reads the permission again and starts tiling once it is granted, unless the user paused
    // it. A timer calls it every second.
    void pollOnce();
    // The primary button: Continue, or Done on the last step.
    void advance();
    void back();

    QPushButton* primaryButton() const { return primary_; }
    QPushButton* backButton() const { return back_; }
    // None when there is no login item to change.
    QCheckBox* loginToggle() const { return loginToggle_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QWidget* welcomePage();
    QWidget* permissionPage();
    QWidget* practicePage();
    void askForPermission();
    void showStep(int step);
    void updatePermission();
    void updateTicks();
    void finish();

    UiContext& context_;
    std::function<void()> onFinish_;
    std::shared_ptr<Practice> practice_;
    int step_ = 0;
    bool trusted_ = false;

    QStackedWidget* pages_ = nullptr;
    QWidget* setupPage_ = nullptr;
    QWidget* setupPane_ = nullptr;
    QWidget* dots_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* primary_ = nullptr;
    QLabel* permissionIcon_ = nullptr;
    QLabel* permissionTitle_ = nullptr;
    QLabel* permissionWhy_ = nullptr;
    QPushButton* permissionButton_ = nullptr;
    QLabel* permissionHint_ = nullptr;
    std::vector<QLabel*> ticks_;
    QTimer* poll_ = nullptr;
    QCheckBox* loginToggle_ = nullptr;
};

}  // namespace tessarin
