#include "platform/web_engine_browser.h"

#include "platform/silent_page.h"

#include <QChildEvent>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QQuickWidget>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWheelEvent>

#include <charconv>
#include <memory>
#include <stdexcept>

namespace qm {

namespace {

// Round trips take a few milliseconds; a script unanswered for half a second is sent again, and after ten
// seconds the browser process is taken to have stopped answering.
constexpr int kScriptAttemptMs = 500;
constexpr int kScriptAttempts = 20;
// Frames come every few milliseconds; after a change the next one shows it.
constexpr int kCaptureTimeoutMs = 5000;
constexpr int kFramePollMs = 4;
// A line not seen by then is placed again, in case the page has been laid out anew meanwhile.
constexpr int kReplaceSentinelMs = 100;

constexpr const char* kSentinelId = "qm-capture-sentinel";
constexpr const char* kCaptureStyleId = "qm-capture-style";
constexpr const char* kDepthMarkId = "qm-capture-depth";

// `text` as a JavaScript string literal.
QString ScriptString(const QString& text) {
    QString quoted = "\"";
    for (const QChar c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c.unicode() < 0x20 || c == QChar(0x2028) || c == QChar(0x2029)) {
            quoted += QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// The shortest text that reads back as the same double, so that the page gets the factor exactly.
QString ExactNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

const char* ElementExpression(ScrollElement element) {
    return element == ScrollElement::Root ? "document.documentElement" : "document.body";
}

const char* ElementName(ScrollElement element) {
    return element == ScrollElement::Root ? "root element" : "body";
}

// A colour for the n-th capture's sentinel row; far from the greys and pure colours that pages use most.
QRgb SentinelColour(int n) {
    return qRgb(17 + (n * 37) % 200, 211 - (n * 53) % 180, 29 + (n * 71) % 190);
}

// True when the pixels left <= x < right of row y all have the colour, and there is at least one.
bool RowHasColour(const QImage& frame, int y, int left, int right, QRgb colour) {
    if (left >= right) {
        return false;
    }
    for (int x = left; x < right; ++x) {
        if ((frame.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) {
            return false;
        }
    }
    return true;
}

// True when none of the pixels left <= x < right of row y has the colour.
bool RowLacksColour(const QImage& frame, int y, int left, int right, QRgb colour) {
    for (int x = left; x < right; ++x) {
        if ((frame.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
            return false;
        }
    }
    return true;
}

void WaitForEvents(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

WebEngineBrowser::WebEngineBrowser(QWidget* parent) : QWebEngineView(parent), profile_(new QWebEngineProfile(this)) {
    setPage(new SilentPage(profile_, this));
    QWebEngineSettings* settings = page()->settings();
    settings->setDefaultTextEncoding("utf-8");
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Dropped files are opened as books by the window, not shown as pages.
    setAcceptDrops(false);
    connect(page(), &QWebEnginePage::loadFinished, this, [this](bool) {
        if (documentComplete_) {
            documentComplete_();
        }
    });
    if (parent != nullptr) {
        parent->installEventFilter(this);
        FollowContainer();
    }
}

WebEngineBrowser::~WebEngineBrowser() {
    // The page must go before the profile it was made with.
    delete page();
}

QVariant WebEngineBrowser::EvaluateScript(const QString& script) {
    if (!navigated_) {
        throw std::runtime_error("The page view has no document yet");
    }
    struct Pending {
        QVariant value;
        bool answered = false;
        QEventLoop* loop = nullptr;
    };
    // An answer may come after this call has given up and returned.
    auto pending = std::make_shared<Pending>();
    auto answer = [pending](const QVariant& value) {
        if (pending->answered) {
            return;
        }
        pending->value = value;
        pending->answered = true;
        if (pending->loop != nullptr) {
            pending->loop->quit();
        }
    };
    // Qt WebEngine 6.4 now and then drops a script sent as a page finishes loading (measured: one load in
    // two to four hundred, in the page's world as in ours, also when sent a moment later); every script here
    // does the same when run twice, so an unanswered one is sent again.
    for (int attempt = 0; attempt < kScriptAttempts && !pending->answered; ++attempt) {
        page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, answer);
        if (pending->answered) {
            break;
        }
        QEventLoop loop;
        pending->loop = &loop;
        QTimer::singleShot(kScriptAttemptMs, &loop, &QEventLoop::quit);
        loop.exec();
        pending->loop = nullptr;
    }
    if (!pending->answered) {
        throw std::runtime_error("The page view did not answer within " +
                                 std::to_string(kScriptAttempts * kScriptAttemptMs / 1000) + " seconds");
    }
    return pending->value;
}

void WebEngineBrowser::Navigate(const std::string& path) {
    navigated_ = true;
    page()->load(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void WebEngineBrowser::SetDocumentCompleteHandler(std::function<void()> handler) {
    documentComplete_ = std::move(handler);
}

void WebEngineBrowser::ApplyZoom(double factor) {
    if (!navigated_) {
        return;
    }
    EvaluateScript(
        QString("(function(){var b=document.body;if(b)b.style.zoom=%1;})()").arg(ScriptString(ExactNumber(factor))));
}

void WebEngineBrowser::SetCharSet(const std::string& charset) {
    page()->settings()->setDefaultTextEncoding(QString::fromStdString(charset));
}

void WebEngineBrowser::SetBodyBorderStyle(const std::string& style) {
    const QVariant done = EvaluateScript(
        QString("(function(){var b=document.body;if(!b)return false;b.style.borderStyle=%1;return true;})()")
            .arg(ScriptString(QString::fromStdString(style))));
    if (!done.toBool()) {
        throw std::runtime_error("The page has no body");
    }
}

int WebEngineBrowser::ReadScrollSize(ScrollElement element, const char* property) {
    const QVariant value = EvaluateScript(
        QString("(function(){var e=%1;return e?e.%2:null;})()").arg(ElementExpression(element), property));
    bool isNumber = false;
    const int size = value.toInt(&isNumber);
    if (!value.isValid() || value.isNull() || !isNumber) {
        throw std::runtime_error(std::string("The page has no ") + ElementName(element) + " to measure its " +
                                 property);
    }
    return size;
}

int WebEngineBrowser::ScrollHeight(ScrollElement element) {
    return ReadScrollSize(element, "scrollHeight");
}

int WebEngineBrowser::ScrollWidth(ScrollElement element) {
    return ReadScrollSize(element, "scrollWidth");
}

int WebEngineBrowser::ViewHeight() const {
    return height();
}

int WebEngineBrowser::ViewWidth() const {
    return width();
}

void WebEngineBrowser::SetViewHeight(int height) {
    resize(width(), height);
    heldToContainer_ = parentWidget() != nullptr && size() == parentWidget()->size();
}

void WebEngineBrowser::SetViewWidth(int width) {
    resize(width, height());
    heldToContainer_ = parentWidget() != nullptr && size() == parentWidget()->size();
}

ScrollPosition WebEngineBrowser::ScrollTo(int x, int y) {
    const QVariantList reached =
        EvaluateScript(
            QString("(function(){window.scrollTo(%1,%2);return [window.scrollX,window.scrollY];})()").arg(x).arg(y))
            .toList();
    if (reached.size() != 2) {
        throw std::runtime_error("The page did not report its scroll position");
    }
    return {qRound(reached[0].toDouble()), qRound(reached[1].toDouble())};
}

RgbImage WebEngineBrowser::CaptureView() {
    QQuickWidget* render = RenderWidget();
    if (render == nullptr || !isVisible()) {
        throw std::runtime_error("The page view is not shown, so nothing is rendered to capture");
    }
    // A frame is known to be fresh when the sentinel row, a fixed line along the foot of the page's viewport,
    // shows the colour given just now. The script answers where the line lies (above any horizontal scroll
    // bar, left of any vertical one) and how large the page's viewport is: right after the view has been
    // resized the page may still be laid out at the old size, and then the line is placed again until the
    // page has taken the view's size.
    //
    // An SVG document (a picture as a chapter) can neither position a fixed line nor paint outside its own
    // box, so there the line is a rectangle over the foot of that box, inside the picture: once a frame shows
    // it, it is removed, and the first frame without it is the capture.
    const QRgb colour = SentinelColour(++sentinelColour_);
    const QString place =
        QString("(function(c){var d=document,e=d.documentElement,s=d.getElementById('%1');"
                "var H=window.innerHeight,W=window.innerWidth;"
                "if(e instanceof SVGSVGElement){if(!s){s=d.createElementNS('http://www.w3.org/2000/svg','rect');"
                "s.id='%1';s.setAttribute('pointer-events','none');s.setAttribute('shape-rendering','crispEdges');"
                "e.appendChild(s);}var b=e.getBoundingClientRect(),y=Math.min(Math.ceil(b.bottom),H)-1,"
                "l=Math.max(Math.ceil(b.left),0),r=Math.min(Math.floor(b.right),W);"
                "var m=e.getScreenCTM().inverse(),p=e.createSVGPoint(),q=e.createSVGPoint();"
                "p.x=l;p.y=y;q.x=r;q.y=y+1;p=p.matrixTransform(m);q=q.matrixTransform(m);"
                "s.setAttribute('x',p.x);s.setAttribute('y',p.y);s.setAttribute('width',q.x-p.x);"
                "s.setAttribute('height',q.y-p.y);s.setAttribute('fill',c);return [y,l,r-l,W,H,true];}"
                "if(!s){s=d.createElement('div');"
                "s.id='%1';s.style.cssText='position:fixed;left:0;right:0;bottom:0;height:1px;margin:0;"
                "padding:0;border:0;z-index:2147483647;pointer-events:none';"
                "e.appendChild(s);}s.style.background=c;"
                "var r=s.getBoundingClientRect();return [r.top,r.left,r.width,W,H,false];"
                "})(%2)")
            .arg(kSentinelId, ScriptString(QColor(colour).name()));
    const QString removal =
        QString("(function(){var s=document.getElementById('%1');if(s)s.remove();})()").arg(kSentinelId);
    int row = -1;
    int left = 0;
    int right = 0;
    bool laidOut = false;
    bool inPicture = false;
    auto placeLine = [&] {
        const QVariantList line = EvaluateScript(place).toList();
        if (line.size() != 6) {
            throw std::runtime_error("The page did not take the capture's sentinel row");
        }
        row = qRound(line[0].toDouble());
        left = std::max(0, qRound(line[1].toDouble()));
        right = std::min(render->width(), qRound(line[1].toDouble() + line[2].toDouble()));
        laidOut = qRound(line[3].toDouble()) == render->width() && qRound(line[4].toDouble()) == render->height();
        inPicture = line[5].toBool();
    };
    // The next grabbed frame of the view's size in which the line's pixels all have the colour (`shown`) or
    // none of them has it.
    auto grabUntil = [&](bool shown, const std::function<void()>& again) {
        QElapsedTimer waited;
        waited.start();
        QElapsedTimer sinceAgain;
        sinceAgain.start();
        for (;;) {
            if (laidOut && row >= 0 && left < right) {
                QImage frame = render->grabFramebuffer();
                if (frame.size() == render->size() && row < frame.height() &&
                    (shown ? RowHasColour(frame, row, left, right, colour)
                           : RowLacksColour(frame, row, left, right, colour))) {
                    return frame;
                }
            }
            if (waited.elapsed() >= kCaptureTimeoutMs) {
                throw std::runtime_error("The page view rendered no new frame within " +
                                         std::to_string(kCaptureTimeoutMs / 1000) + " seconds");
            }
            WaitForEvents(kFramePollMs);
            if (!laidOut || sinceAgain.elapsed() >= kReplaceSentinelMs) {
                again();
                sinceAgain.restart();
            }
        }
    };
    placeLine();
    QImage frame = grabUntil(true, placeLine);
    EvaluateScript(removal);
    if (inPicture) {
        frame = grabUntil(false, [&] { EvaluateScript(removal); });
    }

    const QImage pixels = frame.convertToFormat(QImage::Format_RGB888);
    RgbImage image;
    image.width = pixels.width();
    image.height = pixels.height() - 1;
    const auto rowBytes = static_cast<std::size_t>(image.width) * 3;
    image.rgb.resize(rowBytes * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        std::copy_n(pixels.constScanLine(y), rowBytes, image.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes) * y);
    }
    return image;
}

void WebEngineBrowser::BeginCapture(int documentHeight) {
    // Hidden scroll bars leave the layout as wide as the view; the mark is positioned absolutely so that it
    // lengthens the document without moving anything in it. An SVG document takes the style but no mark: it
    // cannot position one, and such a picture is captured whole in one piece.
    const QVariant done = EvaluateScript(
        QString("(function(h){var d=document,r=d.documentElement;if(!r)return false;"
                "var svg=r instanceof SVGSVGElement,ns=svg?'http://www.w3.org/2000/svg':'http://www.w3.org/1999/xhtml';"
                "var s=d.getElementById('%1');if(!s){s=d.createElementNS(ns,'style');s.id='%1';"
                "s.textContent='::-webkit-scrollbar{display:none !important}';r.appendChild(s);}"
                "if(svg)return true;"
                "var m=d.getElementById('%2');if(!m){m=d.createElementNS(ns,'div');m.id='%2';"
                "m.style.cssText='position:absolute;left:0;width:1px;height:1px;margin:0;padding:0;border:0;"
                "visibility:hidden;pointer-events:none';r.appendChild(m);}"
                "m.style.top=(h-1)+'px';return true;})(%3)")
            .arg(kCaptureStyleId, kDepthMarkId)
            .arg(documentHeight));
    if (!done.toBool()) {
        throw std::runtime_error("The page has no root element to capture");
    }
}

void WebEngineBrowser::EndCapture() {
    if (!navigated_) {
        return;
    }
    EvaluateScript(QString("(function(){['%1','%2'].forEach(function(i){var e=document.getElementById(i);"
                           "if(e)e.remove();});})()")
                       .arg(kCaptureStyleId, kDepthMarkId));
}

bool WebEngineBrowser::event(QEvent* event) {
    // The page is drawn and handled by a child widget, which may be replaced; each one is watched.
    if (event->type() == QEvent::ChildAdded) {
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType()) {
            child->installEventFilter(this);
        }
    }
    return QWebEngineView::event(event);
}

bool WebEngineBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize && heldToContainer_) {
        FollowContainer();
    }
    if (watched != parentWidget() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers().testFlag(Qt::ControlModifier)) {
            if (const int delta = wheel->angleDelta().y(); delta != 0) {
                emit ZoomGesture(delta > 0 ? 1 : -1);
            }
            return true;
        }
    }
    return QWebEngineView::eventFilter(watched, event);
}

void WebEngineBrowser::FollowContainer() {
    setGeometry(parentWidget()->rect());
}

QQuickWidget* WebEngineBrowser::RenderWidget() const {
    return findChild<QQuickWidget*>();
}

} // namespace qm
