#include "view/web_zoom.h"

#include "fake_browser_view.h"

#include <QTest>

#include <charconv>

using namespace qm;

namespace {

// The factor as the shortest text that reads back as the same double.
QString Exact(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QString::fromLatin1(buffer, static_cast<int>(end - buffer));
}

using Command = void (*)(ReaderState&, BrowserView&);

Command CommandNamed(const QString& name) {
    if (name == "in") {
        return ImageZoomInClick;
    }
    if (name == "out") {
        return ImageZoomOutClick;
    }
    return ImageOriginalClick;
}

} // namespace

class WebZoomTest final : public QObject {
    Q_OBJECT

private slots:
    // Every click from 1.0, and the factor after it; a click that changes nothing makes no browser call.
    void ladder_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("zoom in to the top and once more")
            << "in"
            << QStringList{
                   "1.2", "1.4", "1.5999999999999999", "1.7999999999999998", "1.9999999999999998", "2.1999999999999997",
                   "2.4", "2.6", "2.8000000000000003", "3.0000000000000004", "3.0000000000000004"};
        QTest::newRow("zoom out to the bottom and once more")
            << "out"
            << QStringList{"0.8", "0.6000000000000001", "0.4000000000000001", "0.20000000000000007",
                           "0.20000000000000007"};
    }
    void ladder() {
        QFETCH(QString, command);
        QFETCH(QStringList, after);
        ReaderState state;
        test::FakeBrowserView view;
        QStringList applied;
        for (const QString& expected : after) {
            const double before = state.WebZoom;
            CommandNamed(command)(state, view);
            QCOMPARE(Exact(state.WebZoom), expected);
            if (state.WebZoom != before) {
                applied << expected;
            }
        }
        QStringList calls;
        for (const double zoom : view.zooms) {
            calls << Exact(zoom);
        }
        QCOMPARE(calls, applied);
    }

    // A step up and a step down give back the very value they started from, anywhere on the ladder.
    void stepsAreReversible() {
        ReaderState climb;
        test::FakeBrowserView view;
        while (climb.WebZoom > kWebZoomBottom) {
            ImageZoomOutClick(climb, view);
        }
        for (int i = 0; i < 14; ++i) {
            ReaderState probe;
            probe.WebZoom = climb.WebZoom;
            ImageZoomInClick(probe, view);
            ImageZoomOutClick(probe, view);
            QCOMPARE(Exact(probe.WebZoom), Exact(climb.WebZoom));
            ImageZoomInClick(climb, view);
        }
        QCOMPARE(Exact(climb.WebZoom), QString("3.0000000000000004"));
    }

    // The limits are tested before the step: 0.4000000000000001 is above 0.3, so one more step is taken.
    void bottomLimitIsTestedBeforeTheStep() {
        ReaderState state;
        state.WebZoom = 0.4000000000000001;
        test::FakeBrowserView view;
        ImageZoomOutClick(state, view);
        QCOMPARE(Exact(state.WebZoom), QString("0.20000000000000007"));
        QCOMPARE(view.zooms.size(), std::size_t{1});
    }

    void originalSizeAppliesEvenAtOne() {
        ReaderState state;
        test::FakeBrowserView view;
        ImageOriginalClick(state, view);
        QCOMPARE(view.zooms, std::vector<double>{1.0});
        state.WebZoom = 2.4;
        ImageOriginalClick(state, view);
        QCOMPARE(view.zooms, (std::vector<double>{1.0, 1.0}));
        QCOMPARE(state.WebZoom, 1.0);
    }

    // While the selected row shows no page, no command changes the factor or calls the browser.
    void noCommandWhileNoPage_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("zoom in") << "in";
        QTest::newRow("zoom out") << "out";
        QTest::newRow("original size") << "original";
    }
    void noCommandWhileNoPage() {
        QFETCH(QString, command);
        ReaderState state;
        state.WebZoom = 1.4;
        state.flag_null = true;
        test::FakeBrowserView view;
        CommandNamed(command)(state, view);
        QCOMPARE(state.WebZoom, 1.4);
        QVERIFY(view.zooms.empty());
    }

    void browserErrorLeavesTheNewFactor() {
        ReaderState state;
        test::FakeBrowserView view;
        view.zoomFails = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ImageZoomInClick(state, view));
        QCOMPARE(Exact(state.WebZoom), QString("1.2"));
    }
};

QTEST_APPLESS_MAIN(WebZoomTest)
#include "web_zoom_test.moc"
