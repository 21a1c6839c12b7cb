#include "platform/qt/book_page.h"

#include "platform/qt/book_confinement.h"
#include "platform/qt/qt_log.h"

namespace qm {

BookPage::BookPage(QWebEngineProfile* profile, const BookConfinement& confinement,
                   std::function<void(const QUrl&)> openExternal, QObject* parent)
    : QWebEnginePage(profile, parent), confinement_(confinement), openExternal_(std::move(openExternal)) {}

void BookPage::javaScriptAlert(const QUrl&, const QString&) {}

bool BookPage::javaScriptConfirm(const QUrl&, const QString&) {
    return false;
}

bool BookPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) {
    return false;
}

void BookPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int lineNumber,
                                        const QString& sourceID) {
    qCDebug(lcPage).noquote() << sourceID + ":" + QString::number(lineNumber) + ":" << message;
}

bool BookPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (isMainFrame && ownPageNext_) {
        ownPageNext_ = false;
        if (url.scheme() == "data" && type == NavigationTypeTyped) {
            return true;
        }
    }
    // Data carries nothing from outside, but as a whole page it would be a page from nowhere.
    if (confinement_.Allows(url) && (url.scheme() != "data" || !isMainFrame)) {
        return true;
    }
    if (!isMainFrame && url.scheme() == "about") {
        return true; // an empty frame (about:blank, about:srcdoc) holds nothing from outside
    }
    const QString scheme = url.scheme();
    if (isMainFrame && type == NavigationTypeLinkClicked &&
        (scheme == "http" || scheme == "https" || scheme == "mailto") && openExternal_) {
        openExternal_(url);
    }
    return false;
}

} // namespace qm
