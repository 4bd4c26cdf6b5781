#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <sstream>

#include "scenario/scenario_parser.hpp"
#include "scenario/scenario_runner.hpp"
#include "ui/focus_border.hpp"
#include "ui/gap_preview.hpp"
#include "ui/strip_overview.hpp"
#include "ui/strip_picture.hpp"
#include "ui/ui_application.hpp"

namespace tessarin::test {
namespace {

// The engine on the simulated desktop with the real overview and outline plugged in.
class OverlayEngineTest : public ::testing::Test {
  protected:
    QApplication& app = uiApplication();
    OverviewPanel panel{[this](std::int64_t index, const std::string& key) {
        session.engine().focusColumn(index, key);
    }};
    BorderWindow border;
    SimSession session;
    std::ostringstream out;
    QtPictureWriter pictures;
    ScenarioRunner runner{session, out, &pictures};

    OverlayEngineTest() { session.setOverlays(&panel, &border); }

    std::string run(std::string_view text) {
        ScenarioScript script = ScenarioParser::parse(text);
        if (script.error) return "parse: " + script.error->describe();
        auto error = runner.run(script.steps);
        return error ? error->describe() : "";
    }
    const Strip& strip() { return *session.engine().view().strip("MAIN"); }
    Rect applied() {
        const EngineView view = session.engine().view();
        return view.lastApplied(*view.focusedWindow()).value_or(Rect{});
    }
};

constexpr const char* kDesk =
    "plug MAIN name=Main frame=0,0,1440x900\n"
    "launch ed bundle=com.example.editor name=Editor\n"
    "start\n"
    "open a app=ed title=Alpha\nadvance 1\nopen b app=ed title=Beta\nadvance 1\n"
    "open c app=ed title=Gamma\nadvance 1\n";

TEST_F(OverlayEngineTest, NavigationShowsTheOverviewAndATileClickFocusesItsColumn) {
    ASSERT_EQ(run(kDesk), "");
    EXPECT_FALSE(panel.isVisible());
    ASSERT_EQ(run("perform focusLeft\nadvance 0.5"), "");
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.shownKey(), "MAIN");
    EXPECT_EQ(panel.fade().phase(), overview::Fade::Phase::counting);

    const std::int64_t before = strip().focusedColumn;
    const std::int64_t target = before == 0 ? 2 : 0;
    QWidget* widget = panel.panel();
    // The tiles as the panel lays them out for its current model.
    const auto model = session.engine().model("MAIN");
    const auto layout = overview::layout(
        model, overview::scale(model.columns, model.viewWidth,
                               QGuiApplication::primaryScreen()->geometry().width()));
    ASSERT_EQ(widget->size(), QSize(static_cast<int>(std::ceil(layout.panel.width)),
                                    static_cast<int>(std::ceil(layout.panel.height))));
    const Point centre = layout.tiles[static_cast<std::size_t>(target)].frame.center();
    QHelpEvent help(
        QEvent::ToolTip, QPoint(static_cast<int>(centre.x), static_cast<int>(centre.y)),
        widget->mapToGlobal(QPoint(static_cast<int>(centre.x), static_cast<int>(centre.y))));
    QApplication::sendEvent(widget, &help);
    EXPECT_EQ(QToolTip::text(), target == 0 ? "Alpha" : "Gamma");
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      QPoint(static_cast<int>(centre.x), static_cast<int>(centre.y)));
    session.advance(0.5);
    EXPECT_EQ(strip().focusedColumn, target);

    session.engine().stop(false);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(OverlayEngineTest, ThePanelFadesUnlessThePointerOrTheModifiersKeepIt) {
    ASSERT_EQ(run(std::string(kDesk) + "perform focusLeft"), "");
    ASSERT_TRUE(panel.isVisible());
    const QRect frame = panel.panel()->frameGeometry();
    const QPoint far = frame.bottomRight() + QPoint(50, 50);
    using Phase = overview::Fade::Phase;
    struct Tick {
        QPoint pointer;
        bool held;
        Phase want;
    } ticks[] = {
        {frame.topLeft() - QPoint(5, 5), false, Phase::counting},  // within the grown frame
        {far, true, Phase::counting},
        {far, false, Phase::fading},
        {frame.center(), false, Phase::counting},  // resting on it at the end of the fade
        {far, false, Phase::fading},
        {far, false, Phase::hidden},
    };
    // Far beyond any idle time, whatever the clock says.
    double now = 1e6;
    for (const Tick& tick : ticks) {
        panel.tick(now += 1, tick.pointer, tick.held);
        EXPECT_EQ(panel.fade().phase(), tick.want) << now;
    }
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(OverlayEngineTest, TheOutlineFollowsFocusAndGoesWhenTurnedOff) {
    ASSERT_EQ(run(std::string(kDesk) + "set focusBorderWidth 6\nset focusBorder true\nadvance 1"),
              "");
    ASSERT_NE(border.window(), nullptr);
    EXPECT_TRUE(border.window()->isVisible());
    EXPECT_EQ(border.window()->windowTitle(), "Tessarin focus outline");
    for (const char* step : {"", "perform focusLeft\nadvance 1", "perform focusLeft\nadvance 1"}) {
        ASSERT_EQ(run(step), "");
        const Rect grown = applied().insetBy(-6);
        EXPECT_EQ(border.window()->geometry(),
                  QRect(static_cast<int>(grown.x), static_cast<int>(grown.y),
                        static_cast<int>(grown.width), static_cast<int>(grown.height)))
            << step;
    }
    // Shaped to the ring: the middle shows the window below, the edge is drawn.
    EXPECT_FALSE(border.window()->mask().contains(border.window()->rect().center()));
    EXPECT_TRUE(border.window()->mask().contains(QPoint(2, border.window()->height() / 2)));
    ASSERT_EQ(run("set focusBorder false\nadvance 1"), "");
    EXPECT_FALSE(border.window()->isVisible());
}

TEST_F(OverlayEngineTest, GapPreviewCoversEachDisplayAndHidesSurplusOverlays) {
    ASSERT_EQ(run(std::string(kDesk) + "plug SIDE frame=1440,0,1280x800\nadvance 1"), "");
    GapPreview preview(session.engine(), [] { return false; });
    preview.show(20, 0, "Gap 20");
    ASSERT_EQ(preview.overlays().size(), 2u);
    EXPECT_TRUE(preview.overlays()[1]->isVisible());
    EXPECT_EQ(preview.overlays()[1]->geometry(), QRect(1440, 0, 1280, 800));
    // Shaped to what it draws: the caption's box is covered, an empty corner is not.
    EXPECT_TRUE(preview.overlays()[0]->mask().contains(QPoint(720, 450)));
    EXPECT_FALSE(preview.overlays()[1]->mask().contains(QPoint(640, 300)));

    ASSERT_EQ(run("unplug SIDE\nadvance 1"), "");
    preview.show(30, 10, "Gap 30");
    ASSERT_EQ(preview.overlays().size(), 2u);
    EXPECT_TRUE(preview.overlays()[0]->isVisible());
    EXPECT_FALSE(preview.overlays()[1]->isVisible());
    preview.hide();
    EXPECT_FALSE(preview.overlays()[0]->isVisible());
}

TEST_F(OverlayEngineTest, PicturesShowTheFocusedWindowAndTheDisplays) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("strip.png").toStdString();
    ASSERT_EQ(run(std::string(kDesk) +
                  "plug SIDE frame=1440,0,1280x800\nadvance 1\nprint picture " + path),
              "");
    const QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    std::vector<WindowID> order;
    for (const auto& [id, label] : runner.windowLabels())
        order.push_back(id);
    const StripPicture picture = describePicture(session, order, runner.windowLabels());
    const PictureTransform transform = pictureTransform(picture);
    EXPECT_EQ(image.size(), QSize(static_cast<int>(transform.image.width),
                                  static_cast<int>(transform.image.height)));
    auto pixel = [&](Point desktop) {
        const Point at = transform.map(desktop);
        return image.pixel(static_cast<int>(at.x), static_cast<int>(at.y));
    };
    const Rect focused = applied();
    EXPECT_EQ(pixel({focused.midX(), focused.y + focused.height * 0.8}),
              QtPictureWriter::kFocused.rgb());
    EXPECT_EQ(pixel({2000, 400}), QtPictureWriter::kDisplay.rgb());  // the empty side display
    EXPECT_EQ(pixel({2000, 850}), QtPictureWriter::kBackground.rgb());
}

}  // namespace
}  // namespace tessarin::test
