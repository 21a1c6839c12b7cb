#include "platform/qt/web_engine_browser.h"

#include "diagnostics/duration_text.h"
#include "platform/linux/network_lock.h"
#include "platform/qt/book_confinement.h"
#include "platform/qt/book_page.h"
#include "platform/qt/page_move_keys.h"
#include "platform/qt/page_script.h"
#include "platform/qt/qt_log.h"

#include <QChildEvent>
#include <QDesktopServices>
#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QQuickWidget>
#include <QResizeEvent>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWheelEvent>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <tuple>

namespace qm {

namespace {

// Round trips take a few milliseconds. An unanswered script is sent again, soon at first and then less often:
// the engine now and then drops one sent while a page settles, and every script here does the same when run
// twice.
constexpr int kFirstResendMs = 30;
constexpr int kLongestResendMs = 500;
// Frames come every few milliseconds; after a change the next one shows it.
constexpr int kFramePollMs = 4;
// A line not seen by then is placed again, in case the page has been laid out anew meanwhile.
constexpr int kReplaceSentinelMs = 100;
// A click or key press on the page counts as a person's wish to follow a link for this long.
constexpr int kUserInputValidMs = 2000;
// How long a shown page may take to answer once the next document is asked for: an answer takes milliseconds,
// a page that is still busy after this is taken for one that hangs.
constexpr int kSignOfLifeMs = 2000;
// A wheel turn this long after the last one is a fresh move: the reader turned it again on purpose.
constexpr int kWheelPauseMs = 250;

// The shortest text that reads back as the same double, so that the page gets the factor exactly.
QString ExactNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
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

void WaitForEvents(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

DocumentKind KindNamed(const QString& name) {
    if (name == "svg") {
        return DocumentKind::Svg;
    }
    return name == "bitmap" ? DocumentKind::Bitmap : DocumentKind::Page;
}

QString HtmlEscaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

} // namespace

WebEngineBrowser::WebEngineBrowser(QWidget* parent)
    : QWebEngineView(parent), networkLocked_(LockOutNetwork()), profile_(new QWebEngineProfile(this)),
      confinement_(new BookConfinement(this)), loadWatch_(new QTimer(this)) {
    loadWatch_->setSingleShot(true);
    loadWatch_->setInterval(std::chrono::seconds(60));
    connect(loadWatch_, &QTimer::timeout, this, [this] {
        if (loading_) {
            const std::string reason =
                "it did not finish loading within " +
                SecondsText(std::chrono::duration_cast<std::chrono::milliseconds>(loadWatch_->intervalAsDuration()));
            Renew();
            Complete({false, reason});
        }
    });
    profile_->setUrlRequestInterceptor(confinement_);
    if (!networkLocked_) {
        qCWarning(lcView) << "the network could not be taken from the process that shows books:" << std::strerror(errno)
                          << "; books' own scripts stay off";
    }
    profile_->setHttpCacheType(QWebEngineProfile::NoCache);
    connect(profile_, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    InstallPage();
    // Dropped files are opened as books by the window, not shown as pages.
    setAcceptDrops(false);
    if (parent != nullptr) {
        PlaceIn(parent);
    }
}

WebEngineBrowser::~WebEngineBrowser() {
    // The page must go before the profile it was made with.
    delete page();
}

void WebEngineBrowser::InstallPage() {
    ++generation_;
    hoveredLink_ = QUrl();
    auto* fresh = new BookPage(
        profile_, *confinement_, [this](const QUrl& url) { OpenExternalAfterClick(url); }, this);
    QWebEngineSettings* settings = fresh->settings();
    settings->setDefaultTextEncoding(charset_.isEmpty() ? QString("utf-8") : charset_);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, bookScripts_);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, scrollBars_);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    // A page's own styles and pictures are files too; BookConfinement keeps every file request inside the book.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    const int generation = generation_;
    // A load ends as succeeded or failed (with the engine's reason), or stopped: refused by BookPage, or left
    // for the next navigation (which ends nothing).
    connect(fresh, &QWebEnginePage::loadingChanged, this, [this, generation](const QWebEngineLoadingInfo& info) {
        if (generation != generation_) {
            return;
        }
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
            OnLoadEnded(true, {});
        } else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
            OnLoadEnded(false, info.errorString());
        } else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus) {
            // A navigation the page started and BookPage refused stops the load of the document under way,
            // which is shown all the same; a refused load of the document itself shows nothing.
            if (page()->url().adjusted(QUrl::RemoveFragment) == requested_.adjusted(QUrl::RemoveFragment)) {
                OnLoadEnded(true, {});
            } else if (info.url() == requested_) {
                OnLoadEnded(false, confinement_->Allows(info.url()) ? info.errorString()
                                                                    : QString("refused: it is not a file of the book"));
            }
        }
    });
    connect(fresh, &QWebEnginePage::linkHovered, this, [this, generation](const QString& url) {
        if (generation == generation_) {
            hoveredLink_ = QUrl(url);
        }
    });
    connect(fresh, &QWebEnginePage::renderProcessTerminated, this,
            [this, generation](QWebEnginePage::RenderProcessTerminationStatus, int) {
                if (generation != generation_) {
                    return;
                }
                processEnded_ = true;
                shownDocument_.clear();
                if (loading_) {
                    Complete({false, "the page's process ended"});
                }
            });
    page_ = fresh;
    InstallReadingStyle();
    connect(fresh, &QWebEnginePage::scrollPositionChanged, this, &WebEngineBrowser::ScrollChanged);
    connect(fresh, &QWebEnginePage::contentsSizeChanged, this, &WebEngineBrowser::ScrollChanged);
    setPage(fresh);
}

void WebEngineBrowser::OnLoadEnded(bool ok, const QString& failure) {
    if (showingFailure_) {
        showingFailure_ = false;
        return;
    }
    if (!loading_) {
        return;
    }
    if (ok) {
        shownDocument_ = page()->url().adjusted(QUrl::RemoveFragment);
        Complete({});
    } else {
        shownDocument_.clear();
        Complete({false, failure.isEmpty() ? std::string("the engine could not show it") : failure.toStdString()});
    }
}

void WebEngineBrowser::Complete(const LoadOutcome& outcome) {
    qCDebug(lcView).noquote() << "load of" << requested_.toString() << (outcome.loaded ? "ended" : "failed:")
                              << QString::fromStdString(outcome.reason) << "after" << loadTime_.elapsed() << "ms";
    loading_ = false;
    loadWatch_->stop();
    if (documentComplete_) {
        documentComplete_(outcome);
    }
}

void WebEngineBrowser::SetBookFolder(const std::string& folder) {
    confinement_->SetBookFolder(folder);
}

void WebEngineBrowser::SetBookScriptsAllowed(bool allowed) {
    bookScripts_ = allowed && networkLocked_;
    page()->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, allowed);
}

void WebEngineBrowser::SetScrollBarsShown(bool shown) {
    scrollBars_ = shown;
    page()->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, shown);
}

void WebEngineBrowser::SetExternalLinkHandler(std::function<void(const std::string& url)> handler) {
    openExternal_ = std::move(handler);
}

void WebEngineBrowser::OpenExternalAfterClick(const QUrl& url) {
    // A page's script can click a link too; only a person's click, and only once, opens the desktop's browser.
    if (!userInputUnused_ || !userInput_.isValid() || userInput_.elapsed() > kUserInputValidMs) {
        return;
    }
    // And only to the link that was under the pointer from the press to the release: a script answering a
    // click on plain text (or on another link) with a click of its own on some link rides on nothing.
    if (clickedLink_ && *clickedLink_ != url) {
        qCDebug(lcView).noquote() << "refused to open" << url.toString() << "after a click on"
                                  << (clickedLink_->isEmpty() ? QString("no link") : clickedLink_->toString());
        return;
    }
    userInputUnused_ = false;
    if (openExternal_) {
        openExternal_(url.toString().toStdString());
    } else {
        QDesktopServices::openUrl(url);
    }
}

QVariant WebEngineBrowser::EvaluateScript(const QString& script) {
    if (!navigated_) {
        throw std::runtime_error("The page view has no document yet");
    }
    if (processEnded_) {
        throw PageNotAnswering("The page's process has ended");
    }
    TakeBackCapture();
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
    QElapsedTimer waited;
    waited.start();
    for (int resend = kFirstResendMs; !pending->answered && !processEnded_;
         resend = std::min(2 * resend, kLongestResendMs)) {
        const auto left = responseLimit_.count() - waited.elapsed();
        if (left <= 0) {
            break;
        }
        if (resend > kFirstResendMs) {
            qCDebug(lcView) << "a script had no answer after" << waited.elapsed() << "ms; sent again";
        }
        page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, answer);
        if (pending->answered) {
            break;
        }
        QEventLoop loop;
        pending->loop = &loop;
        QTimer::singleShot(static_cast<int>(std::min<qint64>(resend, left)), &loop, &QEventLoop::quit);
        loop.exec();
        pending->loop = nullptr;
    }
    if (!pending->answered) {
        throw PageNotAnswering(processEnded_ ? "The page's process has ended"
                                             : "The page did not answer within " + SecondsText(responseLimit_));
    }
    return pending->value;
}

void WebEngineBrowser::Navigate(const std::string& path, const std::string& fragment) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    if (!fragment.empty()) {
        url.setFragment(QString::fromStdString(fragment), QUrl::TolerantMode);
    }
    if (processEnded_) {
        // The page whose process ended shows nothing more; a fresh one does.
        Renew();
    }
    navigated_ = true;
    showingFailure_ = false;
    fitZoom_.reset();
    // Within the document shown, the engine only scrolls to the anchor and reports no load; the view reports
    // one all the same, from the event loop as a load would.
    const bool sameDocument = !fragment.empty() && !loading_ && !shownDocument_.isEmpty() &&
                              url.adjusted(QUrl::RemoveFragment) == shownDocument_;
    if (!sameDocument) {
        // Another document replaces this one with everything a capture changed on it.
        captureMarks_ = false;
        if (!loading_ && !shownDocument_.isEmpty()) {
            WatchShownPage();
        }
    }
    StartLoad(url);
    if (sameDocument) {
        const int generation = generation_;
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == generation_ && loading_) {
                Complete({});
            }
        });
    }
}

void WebEngineBrowser::StartLoad(const QUrl& url) {
    loading_ = true;
    requested_ = url;
    loadTime_.start();
    loadWatch_->start();
    page()->load(url);
}

void WebEngineBrowser::WatchShownPage() {
    // A document that stops answering once loaded (a script that never ends) holds its page's process: the next
    // document would wait behind it until its load time ran out, and be blamed for it. So the page is asked for
    // a sign of life as the next document is requested; without one soon, the page is left behind, named in the
    // log, and the next document loads in a fresh page.
    const int generation = generation_;
    auto answered = std::make_shared<bool>(false);
    page()->runJavaScript("0", QWebEngineScript::ApplicationWorld, [answered](const QVariant&) { *answered = true; });
    QTimer::singleShot(kSignOfLifeMs, this, [this, generation, answered, hung = shownDocument_] {
        if (*answered || generation != generation_ || !loading_) {
            return;
        }
        const QUrl next = requested_;
        qCWarning(lcView).noquote() << hung.toString() << "stopped answering; it is left behind, and" << next.toString()
                                    << "loads in a fresh page";
        Renew();
        navigated_ = true;
        StartLoad(next);
    });
}

void WebEngineBrowser::SetDocumentCompleteHandler(std::function<void(const LoadOutcome&)> handler) {
    documentComplete_ = std::move(handler);
}

void WebEngineBrowser::ApplyZoom(double factor) {
    fitZoom_.reset();
    if (!navigated_ || shownDocument_.isEmpty()) {
        return;
    }
    EvaluateScript(PageScript::Call("body_style", {"zoom", ExactNumber(factor)}));
}

void WebEngineBrowser::FitPage(double zoom) {
    if (!navigated_ || shownDocument_.isEmpty()) {
        return;
    }
    const auto [pageWidth, pageHeight] = DeclaredPageSize();
    if (pageWidth <= 0 || pageHeight <= 0) {
        ApplyZoom(zoom);
        return;
    }
    // The page is laid out at its own size and scaled as a whole, so that what it sizes by its viewport keeps
    // the proportions it was made for.
    const double scale = std::min(double(width()) / pageWidth, double(height()) / pageHeight) * zoom;
    EvaluateScript(PageScript::Call("fit_page", {pageWidth, pageHeight, scale, width()}));
    fitZoom_ = zoom;
}

void WebEngineBrowser::resizeEvent(QResizeEvent* event) {
    QWebEngineView::resizeEvent(event);
    if (!fitZoom_) {
        return;
    }
    // Fitted from the event loop: a page script is not run from within a resize.
    QTimer::singleShot(0, this, [this] {
        if (!fitZoom_) {
            return;
        }
        try {
            FitPage(*fitZoom_);
        } catch (const std::exception& error) {
            qCWarning(lcView).noquote() << "The page could not be fitted to the view:" << error.what();
        }
    });
}

std::pair<int, int> WebEngineBrowser::DeclaredPageSize() {
    const QVariantList size = EvaluateScript(PageScript::Call("page_size", {})).toList();
    return {size.value(0).toInt(), size.value(1).toInt()};
}

void WebEngineBrowser::SetReadingStyle(const std::string& css) {
    readingStyle_ = QString::fromStdString(css);
    InstallReadingStyle();
    ShowReadingStyle();
}

void WebEngineBrowser::SetReadingStyleSuspended(bool suspended) {
    readingStyleSuspended_ = suspended;
    InstallReadingStyle();
    ShowReadingStyle();
}

void WebEngineBrowser::InstallReadingStyle() {
    QWebEngineScriptCollection& scripts = page_->scripts();
    for (const QWebEngineScript& old : scripts.find("qm-reading-style")) {
        scripts.remove(old);
    }
    const QString css = ShownReadingStyle();
    if (!css.isEmpty()) {
        QWebEngineScript script;
        script.setName("qm-reading-style");
        script.setSourceCode(PageScript::Call("reading_style", {css}));
        script.setInjectionPoint(QWebEngineScript::DocumentReady);
        script.setWorldId(QWebEngineScript::ApplicationWorld);
        script.setRunsOnSubFrames(false);
        scripts.insert(script);
    }
}

void WebEngineBrowser::ShowReadingStyle() {
    if (navigated_ && !shownDocument_.isEmpty() && !loading_) {
        try {
            EvaluateScript(PageScript::Call("reading_style", {ShownReadingStyle()}));
        } catch (const std::exception& error) {
            qCWarning(lcView).noquote() << "The reader's look could not be put on the page:" << error.what();
        }
    }
}

void WebEngineBrowser::SetCharSet(const std::string& charset) {
    // Settings are sent to the page's process on every change; one that changes nothing is not made.
    const QString wanted = QString::fromStdString(charset);
    if (wanted != charset_) {
        charset_ = wanted;
        page()->settings()->setDefaultTextEncoding(wanted);
    }
}

void WebEngineBrowser::SetBodyBorderStyle(const std::string& style) {
    if (!EvaluateScript(PageScript::Call("body_style", {"borderStyle", QString::fromStdString(style)})).toBool()) {
        throw std::runtime_error("The page has no body");
    }
}

bool WebEngineBrowser::ShowsXmlError() {
    // The engine's XML parser puts a parsererror element at the top of what it could read.
    return EvaluateScript("document.getElementsByTagNameNS('*', 'parsererror').length > 0").toBool();
}

void WebEngineBrowser::SetResponseLimit(std::chrono::milliseconds limit) {
    responseLimit_ = limit;
}

void WebEngineBrowser::SetLoadLimit(std::chrono::milliseconds limit) {
    loadWatch_->setInterval(limit);
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

DocumentLayout WebEngineBrowser::LayOut(int width, int height) {
    // A capture takes the page as laid out (lay_out.js removes the fit), and the view no longer keeps it fitted.
    fitZoom_.reset();
    resize(width, height);
    heldToContainer_ = parentWidget() != nullptr && size() == parentWidget()->size();
    // The page takes a new size a little after the view: what it measures before then belongs to the old one.
    QElapsedTimer waited;
    waited.start();
    const QString script = PageScript::Call("lay_out", {scrollBars_});
    for (;;) {
        const QVariantList answer = EvaluateScript(script).toList();
        if (answer.size() != 9) {
            throw std::runtime_error("The page has no document to lay out");
        }
        // At a device pixel ratio that is no whole number, the page may round its viewport a pixel away.
        const double ratio = devicePixelRatioF();
        const int slack = ratio == std::floor(ratio) ? 0 : 1;
        if (std::abs(qRound(answer[0].toDouble()) - width) <= slack &&
            std::abs(qRound(answer[1].toDouble()) - height) <= slack && answer[8].toInt() == 0) {
            DocumentLayout layout;
            layout.kind = KindNamed(answer[2].toString());
            layout.width = qRound(answer[3].toDouble());
            layout.height = qRound(answer[4].toDouble());
            layout.intrinsicWidth = qRound(answer[5].toDouble());
            layout.intrinsicHeight = qRound(answer[6].toDouble());
            layout.aspectRatio = answer[7].toDouble();
            std::tie(layout.declaredWidth, layout.declaredHeight) = DeclaredPageSize();
            return layout;
        }
        if (waited.elapsed() >= responseLimit_.count()) {
            throw PageNotAnswering(answer[8].toInt() != 0
                                       ? "The page's pictures or fonts did not load within " +
                                             SecondsText(responseLimit_)
                                       : "The page did not take the size of " + std::to_string(width) + " x " +
                                             std::to_string(height) + " pixels within " + SecondsText(responseLimit_));
        }
        WaitForEvents(kFramePollMs);
    }
}

std::vector<int> WebEngineBrowser::AnchorTops(const std::vector<std::string>& fragments) {
    QStringList names;
    for (const std::string& fragment : fragments) {
        names << QString::fromStdString(fragment);
    }
    const QVariantList tops = EvaluateScript(PageScript::Call("anchor_tops", {names})).toList();
    if (tops.size() != static_cast<qsizetype>(fragments.size())) {
        throw std::runtime_error("The page did not report where its anchors are");
    }
    std::vector<int> rows;
    for (const QVariant& top : tops) {
        rows.push_back(qRound(top.toDouble()));
    }
    return rows;
}

ScrollPosition WebEngineBrowser::ScrollTo(int x, int y) {
    const QVariantList reached = EvaluateScript(PageScript::Call("scroll_to", {x, y})).toList();
    if (reached.size() != 2) {
        throw std::runtime_error("The page did not report its scroll position");
    }
    return {qRound(reached[0].toDouble()), qRound(reached[1].toDouble())};
}

ViewImage WebEngineBrowser::CaptureView(int top) {
    QQuickWidget* render = RenderWidget();
    if (render == nullptr || !isVisible()) {
        throw std::runtime_error("The page view is not shown, so nothing is rendered to capture");
    }
    // A frame is known to be fresh when the sentinel (sentinel_place.js) shows the colour given just now. The
    // script also answers how large the page's viewport is: right after the view has been resized the page
    // may still be laid out at the old size, and then the line is placed again until the page has taken the
    // view's size. The sentinel lies over rows of the capture: once a frame shows it, it is removed, and the
    // first frame without it is the capture.
    const QRgb colour = SentinelColour(++sentinelColour_);
    const QString place = PageScript::Call("sentinel_place", {QColor(colour).name(), top});
    // The frame has the screen's device pixels: the line's row and ends are found there, and at a scale that
    // is no whole number the page's viewport may round a CSS pixel differently from the view.
    const double ratio = render->devicePixelRatioF();
    const QSize frameSize(qRound(render->width() * ratio), qRound(render->height() * ratio));
    const int slack = ratio == std::floor(ratio) ? 0 : 1;
    int row = -1;
    int left = 0;
    int right = 0;
    bool laidOut = false;
    int scrollY = 0;
    auto placeLine = [&] {
        const QVariantList line = EvaluateScript(place).toList();
        if (line.size() != 7) {
            throw std::runtime_error("The page did not take the capture's sentinel row");
        }
        row = static_cast<int>((line[0].toDouble() + 0.5) * ratio);
        left = std::max(0, static_cast<int>(std::ceil(line[1].toDouble() * ratio)));
        right = std::min(frameSize.width(),
                         static_cast<int>(std::floor((line[1].toDouble() + line[2].toDouble()) * ratio)));
        laidOut = std::abs(qRound(line[3].toDouble()) - render->width()) <= slack &&
                  std::abs(qRound(line[4].toDouble()) - render->height()) <= slack;
        scrollY = qRound(line[6].toDouble());
    };
    auto removeLine = [&] {
        const QVariantList position = EvaluateScript(PageScript::Call("sentinel_remove", {})).toList();
        if (position.size() != 2 || qRound(position[1].toDouble()) != scrollY) {
            throw std::runtime_error("The page scrolled by itself while it was captured");
        }
    };
    // The next grabbed frame of the view's size in which the line's pixels all have the colour (`shown`), or
    // not all of them any more.
    auto grabUntil = [&](bool shown, const std::function<void()>& again) {
        QElapsedTimer waited;
        waited.start();
        QElapsedTimer sinceAgain;
        sinceAgain.start();
        for (;;) {
            if (laidOut && row >= 0 && left < right) {
                QImage frame = render->grabFramebuffer();
                if (frame.size() == frameSize && row < frame.height() &&
                    RowHasColour(frame, row, left, right, colour) == shown) {
                    return frame;
                }
            }
            if (waited.elapsed() >= responseLimit_.count()) {
                throw PageNotAnswering("The page view rendered no new frame within " + SecondsText(responseLimit_));
            }
            WaitForEvents(kFramePollMs);
            if (!laidOut || sinceAgain.elapsed() >= kReplaceSentinelMs) {
                again();
                sinceAgain.restart();
            }
        }
    };
    placeLine();
    grabUntil(true, placeLine);
    removeLine();
    QImage frame = grabUntil(false, removeLine);
    if (std::abs(ratio - captureScale_) > 1e-6) {
        frame = frame.scaled(qRound(render->width() * captureScale_), qRound(render->height() * captureScale_),
                             Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    // The frame goes to the encoder as drawn: 32-bit pixels of an opaque page are B, G, R, unused in
    // little-endian memory. Any other format is converted to three-byte RGB first.
    auto held = std::make_shared<QImage>(std::move(frame));
    const bool asDrawn = Q_BYTE_ORDER == Q_LITTLE_ENDIAN && (held->format() == QImage::Format_RGB32 ||
                                                             held->format() == QImage::Format_ARGB32_Premultiplied);
    if (!asDrawn) {
        *held = held->convertToFormat(QImage::Format_RGB888);
    }
    ViewImage image;
    image.width = held->width();
    image.height = held->height();
    image.scrollY = scrollY;
    image.bgrx = asDrawn;
    image.stride = static_cast<std::size_t>(held->bytesPerLine());
    image.pixels = held->constBits();
    image.owner = held;
    return image;
}

void WebEngineBrowser::SetCaptureScale(double scale) {
    captureScale_ = scale;
}

double WebEngineBrowser::CaptureScale() const {
    return captureScale_;
}

void WebEngineBrowser::BeginCapture(int documentHeight) {
    // A document no deeper than the view needs no mark: the mark could not let it scroll any further.
    if (documentHeight <= height()) {
        return;
    }
    if (!EvaluateScript(PageScript::Call("capture_depth", {documentHeight})).toBool()) {
        throw std::runtime_error("The page has no root element to capture");
    }
}

void WebEngineBrowser::EndCapture() {
    if (!navigated_ || shownDocument_.isEmpty()) {
        return;
    }
    // Taken back before the page is next used, and for a page left as it is once the program waits for
    // events; a document that another one replaces before then goes with its marks, and the frame that taking
    // them back would cost is not drawn.
    captureMarks_ = true;
    QTimer::singleShot(0, this, [this, generation = generation_] {
        if (generation != generation_) {
            return;
        }
        try {
            TakeBackCapture();
        } catch (const std::exception& error) {
            qCDebug(lcView) << "the capture's marks stay on the page:" << error.what();
        }
    });
}

void WebEngineBrowser::TakeBackCapture() {
    if (captureMarks_) {
        captureMarks_ = false;
        EvaluateScript(PageScript::Call("capture_end", {}));
    }
}

void WebEngineBrowser::PrintToPdf(const std::string& path, const Paper& paper,
                                  const std::vector<std::string>& anchors) {
    QStringList names;
    for (const std::string& anchor : anchors) {
        names << QString::fromStdString(anchor);
    }
    EvaluateScript(PageScript::Call("print_anchors", {names}));
    const QPageLayout layout(
        QPageSize(QSizeF(paper.width, paper.height), QPageSize::Point, QString(), QPageSize::ExactMatch),
        QPageLayout::Portrait, QMarginsF(paper.margin, paper.margin, paper.margin, paper.margin), QPageLayout::Point);
    struct Printing {
        bool finished = false;
        bool succeeded = false;
    };
    auto printing = std::make_shared<Printing>();
    QEventLoop loop;
    const QMetaObject::Connection connection =
        connect(page(), &QWebEnginePage::pdfPrintingFinished, &loop, [printing, &loop](const QString&, bool succeeded) {
            printing->finished = true;
            printing->succeeded = succeeded;
            loop.quit();
        });
    page()->printToPdf(QString::fromStdString(path), layout);
    QTimer::singleShot(responseLimit_, &loop, &QEventLoop::quit);
    if (!printing->finished) {
        loop.exec();
    }
    disconnect(connection);
    if (!printing->finished) {
        throw PageNotAnswering("The page was not printed within " + SecondsText(responseLimit_));
    }
    if (!printing->succeeded) {
        throw std::runtime_error("The engine could not print the page to \"" + path + "\"");
    }
}

void WebEngineBrowser::ShowFailure(const std::string& text) {
    showingFailure_ = true;
    captureMarks_ = false;
    shownDocument_.clear();
    page_->ExpectOwnPage();
    page()->setHtml("<!DOCTYPE html><html><head><meta charset='utf-8'><style>body{font:15px sans-serif;color:#444;"
                    "margin:3em}</style></head><body><p>" +
                    HtmlEscaped(text) + "</p></body></html>");
}

void WebEngineBrowser::Renew() {
    // A page that loops for ever keeps its process busy for ever; ending it frees the core and ensures the
    // fresh page gets a process of its own.
    const qint64 process = page()->renderProcessPid();
    qCDebug(lcView) << "the page is renewed; its process" << process << "is ended";
    if (process > 0) {
        ::kill(static_cast<pid_t>(process), SIGKILL);
    }
    InstallPage();
    captureMarks_ = false;
    navigated_ = false;
    loading_ = false;
    loadWatch_->stop();
    processEnded_ = false;
    showingFailure_ = false;
    shownDocument_.clear();
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
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize && heldToContainer_) {
            FollowContainer();
        }
        return QWebEngineView::eventFilter(watched, event);
    }
    if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers().testFlag(Qt::ControlModifier)) {
            if (const int delta = wheel->angleDelta().y(); delta != 0) {
                emit ZoomGesture(delta > 0 ? 1 : -1);
            }
            return true;
        }
        const bool fresh = !sinceWheel_.isValid() || sinceWheel_.elapsed() >= kWheelPauseMs;
        sinceWheel_.start();
        if (const std::optional<PageMove> move = PageMoveOfWheel(*wheel);
            move && pageMove_ && pageMove_(*move, ScrollEdges(), fresh)) {
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && pageMove_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (const std::optional<PageMove> move = PageMoveOfKey(*key);
            move && pageMove_(*move, ScrollEdges(), !key->isAutoRepeat())) {
            return true;
        }
    }
    // Only events that a person sends reach the widgets; what a page's script does never passes here.
    if (event->type() == QEvent::MouseButtonPress) {
        pressedLink_ = hoveredLink_;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        userInput_.start();
        userInputUnused_ = true;
        clickedLink_ = hoveredLink_ == pressedLink_ ? hoveredLink_ : QUrl();
    } else if (event->type() == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                                     static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)) {
        // A link the keyboard's focus is on: the engine says which only by following it.
        userInput_.start();
        userInputUnused_ = true;
        clickedLink_.reset();
    }
    return QWebEngineView::eventFilter(watched, event);
}

double WebEngineBrowser::ScrolledShare() const {
    const double height = page()->contentsSize().height();
    return height > 0 ? std::clamp(page()->scrollPosition().y() / height, 0.0, 1.0) : 0.0;
}

PageEdges WebEngineBrowser::ScrollEdges() const {
    const QSizeF contents = page()->contentsSize();
    const QPointF scrolled = page()->scrollPosition();
    const double zoom = page()->zoomFactor();
    const double viewWidth = width() / zoom;
    const double viewHeight = height() / zoom;
    // The engine reports in CSS pixels and rounds; a pixel either way is the edge.
    constexpr double kSlack = 2;
    if (contents.width() > viewWidth + kSlack) {
        return {false, false};
    }
    return {scrolled.y() <= kSlack, scrolled.y() + viewHeight >= contents.height() - kSlack};
}

void WebEngineBrowser::PlaceIn(QWidget* container) {
    if (parentWidget() != nullptr) {
        parentWidget()->removeEventFilter(this);
    }
    setParent(container);
    container->installEventFilter(this);
    heldToContainer_ = true;
    FollowContainer();
}

void WebEngineBrowser::FollowContainer() {
    setGeometry(parentWidget()->rect());
}

QQuickWidget* WebEngineBrowser::RenderWidget() const {
    // The view draws each page through a widget of its own; after Renew the old page's widget may linger until
    // it is deleted, so the current one is the view's focus proxy (or else the newest).
    if (auto* current = qobject_cast<QQuickWidget*>(focusProxy()); current != nullptr) {
        return current;
    }
    const QList<QQuickWidget*> widgets = findChildren<QQuickWidget*>(Qt::FindDirectChildrenOnly);
    return widgets.isEmpty() ? nullptr : widgets.back();
}

} // namespace qm
