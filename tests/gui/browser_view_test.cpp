#include "platform/qt/web_engine_browser.h"

#include "gui_test_main.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineScript>

using namespace qm;

namespace {

// A page of two 100-pixel bands, red over blue, and a 150-pixel tail of white.
constexpr const char* kBands = "<!DOCTYPE html><html><head><meta charset='utf-8'></head>"
                               "<body style='margin:0'><div style='height:100px;background:#ff0000'></div>"
                               "<div style='height:100px;background:#0000ff'></div>"
                               "<div style='height:150px'>Café</div></body></html>";

// An SVG document: a page without a body.
constexpr const char* kNoBody = "<svg xmlns='http://www.w3.org/2000/svg' width='50' height='50'>"
                                "<rect width='50' height='50' fill='green'/></svg>";

QColor PixelAt(const ViewImage& image, int x, int y) {
    const std::uint8_t* pixel = image.Row(y) + static_cast<std::ptrdiff_t>(x) * (image.bgrx ? 4 : 3);
    return image.bgrx ? QColor(pixel[2], pixel[1], pixel[0]) : QColor(pixel[0], pixel[1], pixel[2]);
}

} // namespace

class BrowserViewTest final : public QObject {
    Q_OBJECT

    QTemporaryDir pages_;
    QWidget container_;
    WebEngineBrowser* browser_ = nullptr;
    int completed_ = 0;
    LoadOutcome last_;

    QString Page(const QString& name, const QByteArray& content) {
        QFile file(pages_.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return file.fileName();
    }

    void Load(const QString& path, const std::string& fragment = {}) {
        const int before = completed_;
        browser_->Navigate(path.toStdString(), fragment);
        QTRY_COMPARE_WITH_TIMEOUT(completed_, before + 1, 10000);
    }

    int Number(const QString& script) { return browser_->EvaluateScript(script).toInt(); }
    // Asks the page itself, past the view's scripts, which first take back what a capture left on it.
    bool PageSays(const QString& script) {
        bool answered = false;
        bool value = false;
        browser_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& answer) {
            value = answer.toBool();
            answered = true;
        });
        return QTest::qWaitFor([&] { return answered; }, 5000) && value;
    }
    int ScrollBarWidth() { return Number("window.innerWidth - document.documentElement.clientWidth"); }

private slots:
    void initTestCase() {
        container_.resize(200, 200);
        browser_ = new WebEngineBrowser(&container_);
        browser_->SetDocumentCompleteHandler([this](const LoadOutcome& outcome) {
            last_ = outcome;
            ++completed_;
        });
        browser_->SetBookFolder(pages_.path().toStdString());
        container_.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container_));
    }

    void nothingLoadedYet() {
        browser_->ApplyZoom(2.0);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, browser_->LayOut(200, 200));
    }

    void pagesWithoutCharsetAreReadAsUtf8() {
        Load(Page("plain.html", "<html><body><p id='p'>Caf\xc3\xa9 \xe2\x80\x94 na\xc3\xafve</p></body></html>"));
        browser_->SetCharSet("utf-8");
        QCOMPARE(browser_->EvaluateScript("document.getElementById('p').textContent").toString(),
                 QString::fromUtf8("Caf\xc3\xa9 \xe2\x80\x94 na\xc3\xafve"));
    }

    void zoomAndBorderGoOnTheBody() {
        Load(Page("bands.html", kBands));
        QCOMPARE(Number("document.documentElement.scrollHeight"), 350);
        browser_->ApplyZoom(2.0);
        QCOMPARE(browser_->EvaluateScript("document.body.style.zoom").toString(), QString("2"));
        QCOMPARE(Number("document.documentElement.scrollHeight"), 700);
        browser_->SetBodyBorderStyle("none");
        QCOMPARE(browser_->EvaluateScript("document.body.style.borderStyle").toString(), QString("none"));
    }

    void pageWithoutBody() {
        Load(Page("picture.svg", kNoBody));
        browser_->ApplyZoom(1.4);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, browser_->SetBodyBorderStyle("none"));
        const DocumentLayout layout = browser_->LayOut(200, 200);
        QCOMPARE(layout.kind, DocumentKind::Svg);
        QCOMPARE(layout.intrinsicWidth, 50);
        QCOMPARE(layout.intrinsicHeight, 50);
        browser_->EndCapture();
        browser_->SetViewHeight(200);
        browser_->SetViewWidth(200);
    }

    // A missing file ends its load too, so that nobody waits for it for ever, and says why; a file outside
    // the book is refused as if it were not there.
    void filesThatCannotBeShownCompleteAsFailures() {
        for (const QString& path : {pages_.filePath("missing.html"), QString("/etc/hostname")}) {
            Load(path);
            QVERIFY(!last_.loaded);
            QVERIFY(!last_.reason.empty());
        }
        Load(Page("plain.html", "<html><body>back</body></html>"));
        QVERIFY(last_.loaded);
    }

    // A link of the book names a chapter file as the book wrote it, also after the reader renamed it to .html.
    void renamedChaptersAreFoundByTheirOldNames() {
        Page("moved.html", "<html><body><p id='p'>moved</p></body></html>");
        Load(pages_.filePath("moved.xhtml"));
        QVERIFY(last_.loaded);
        QCOMPARE(browser_->EvaluateScript("document.getElementById('p').textContent").toString(), QString("moved"));
    }

    // Laid out for a capture, a page is exactly as wide as the view: its scroll bars take no room.
    void layOutHidesTheScrollBars() {
        Load(Page("tall.html", "<html><body style='margin:0'><div id='d' style='height:3000px'></div></body></html>"));
        QCOMPARE(browser_->ViewWidth(), 200);
        QCOMPARE(Number("document.getElementById('d').offsetWidth"), 200 - ScrollBarWidth());
        const DocumentLayout layout = browser_->LayOut(300, 400);
        QCOMPARE(layout.kind, DocumentKind::Page);
        QCOMPARE(layout.width, 300);
        QCOMPARE(layout.height, 3000);
        QCOMPARE(Number("document.getElementById('d').offsetWidth"), 300);
        browser_->EndCapture();
        browser_->SetViewHeight(200);
        browser_->SetViewWidth(200);
        QTRY_COMPARE(Number("document.getElementById('d').offsetWidth"), 200 - ScrollBarWidth());
    }

    // A picture shown as the document sits at its own size at the top left, not centred or shrunk.
    void bitmapsAreLaidOutAtTheirOwnSize() {
        QImage picture(260, 330, QImage::Format_RGB32);
        picture.fill(Qt::red);
        picture.save(pages_.filePath("page.png"));
        Load(pages_.filePath("page.png"));
        const DocumentLayout layout = browser_->LayOut(260, 331);
        QCOMPARE(layout.kind, DocumentKind::Bitmap);
        QCOMPARE(layout.intrinsicWidth, 260);
        QCOMPARE(layout.intrinsicHeight, 330);
        const ViewImage image = browser_->CaptureView(0);
        QCOMPARE(PixelAt(image, 0, 0), QColor(Qt::red));
        QCOMPARE(PixelAt(image, 259, 329), QColor(Qt::red));
        browser_->EndCapture();
        browser_->SetViewHeight(200);
        browser_->SetViewWidth(200);
    }

    // A page of fixed layout is laid out at the size it declares and scaled whole into the view, again when the
    // view changes size; a capture lays it out unscaled.
    void fixedLayoutPagesAreFittedToTheView() {
        Load(Page("fixed.html", "<html><head><meta name='viewport' content='width=400, height=200'></head>"
                                "<body style='margin:0'><div style='width:100vw;height:100vh'></div></body></html>"));
        const QString rootWidth = "document.documentElement.getBoundingClientRect().width";
        const QString rootHeight = "document.documentElement.getBoundingClientRect().height";
        browser_->FitPage(1.0);
        QCOMPARE(Number(rootWidth), 200);
        QCOMPARE(Number(rootHeight), 100);
        QCOMPARE(Number("document.getElementById('qm-fit-style') ? 1 : 0"), 1);
        browser_->SetViewWidth(300);
        QTRY_COMPARE(Number(rootWidth), 300);
        browser_->FitPage(2.0);
        QCOMPARE(Number(rootWidth), 600);
        const DocumentLayout layout = browser_->LayOut(400, 200);
        QCOMPARE(layout.declaredWidth, 400);
        QCOMPARE(layout.declaredHeight, 200);
        QCOMPARE(Number(rootWidth), 400);
        browser_->EndCapture();
        browser_->SetViewHeight(200);
        browser_->SetViewWidth(200);
    }

    // Anchors: where they begin, and a jump to one within the page shown completes as a load does.
    void anchors() {
        const QString page = Page("anchored.html", "<html><body style='margin:0'><div style='height:500px'></div>"
                                                   "<h2 id='two' style='margin:0'>Two</h2><div style='height:900px'>"
                                                   "</div><a name='three'>Three</a></body></html>");
        Load(page);
        const std::vector<int> tops = browser_->AnchorTops({"two", "three", "none"});
        QCOMPARE(tops[0], 500);
        QVERIFY(tops[1] > 1400);
        QCOMPARE(tops[2], -1);
        Load(page, "two");
        QTRY_COMPARE_WITH_TIMEOUT(Number("window.scrollY"), 500, 5000);
        QVERIFY(last_.loaded);
    }

    void aSupersededLoadDoesNotComplete() {
        const QString first = Page("first.html", "<html><body><p>first</p></body></html>");
        const QString second = Page("second.html", "<html><body><p>second</p></body></html>");
        const int before = completed_;
        browser_->Navigate(first.toStdString());
        browser_->Navigate(second.toStdString());
        QTRY_VERIFY_WITH_TIMEOUT(completed_ > before, 10000);
        QTest::qWait(300);
        QCOMPARE(completed_, before + 1);
        QCOMPARE(browser_->url().toLocalFile(), second);
    }

    // Captures show a frame drawn after the call, at the view's whole size, and the view may be larger than its
    // container.
    void captureFollowsScrollAndSize() {
        Load(Page("bands.html", kBands));
        ViewImage image = browser_->CaptureView(0);
        QCOMPARE(image.width, 200);
        QCOMPARE(image.height, 200);
        QCOMPARE(PixelAt(image, 10, 50), QColor(Qt::red));
        QCOMPARE(PixelAt(image, 10, 150), QColor(Qt::blue));

        image = browser_->CaptureView(100);
        QCOMPARE(image.scrollY, 100);
        QCOMPARE(PixelAt(image, 10, 50), QColor(Qt::blue));
        QCOMPARE(browser_->ScrollTo(0, 1000).y, 150);
        browser_->ScrollTo(0, 0);

        browser_->SetViewHeight(360);
        container_.resize(220, 220);
        QCOMPARE(browser_->ViewHeight(), 360);
        image = browser_->CaptureView(0);
        QCOMPARE(image.height, 360);
        QCOMPARE(PixelAt(image, 10, 150), QColor(Qt::blue));
        QCOMPARE(PixelAt(image, 10, 300), QColor(Qt::white));
        browser_->EndCapture();
        QCOMPARE(browser_->EvaluateScript("document.getElementById('qm-capture-sentinel') === null").toBool(), true);
        // A page left as it is after a capture gets back to itself once the program waits for events.
        browser_->CaptureView(0);
        browser_->EndCapture();
        QTRY_VERIFY(PageSays("document.getElementById('qm-capture-sentinel') === null"));

        // Back at the container's size, the view follows the container again.
        browser_->SetViewHeight(220);
        browser_->SetViewWidth(220);
        container_.resize(240, 230);
        QCOMPARE(browser_->ViewWidth(), 240);
        QCOMPARE(browser_->ViewHeight(), 230);
    }

    // A renewed view has a fresh page in a fresh process, which shows the next document.
    void renewedViewShowsTheNextDocument() {
        const qint64 before = browser_->page()->renderProcessPid();
        browser_->Renew();
        Load(Page("after.html", "<html><body><p id='p'>after</p></body></html>"));
        QVERIFY(last_.loaded);
        QCOMPARE(browser_->EvaluateScript("document.getElementById('p').textContent").toString(), QString("after"));
        QVERIFY(browser_->page()->renderProcessPid() != before);
    }

    void hiddenViewCannotBeCaptured() {
        container_.hide();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, browser_->CaptureView(0));
        container_.show();
    }
};

QM_GUI_TEST_MAIN(BrowserViewTest)
#include "browser_view_test.moc"
