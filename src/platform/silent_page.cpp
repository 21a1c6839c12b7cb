#include "platform/silent_page.h"

#include <QDesktopServices>

namespace qm {

void SilentPage::javaScriptAlert(const QUrl&, const QString&) {}

bool SilentPage::javaScriptConfirm(const QUrl&, const QString&) {
    return false;
}

bool SilentPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) {
    return false;
}

void SilentPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) {}

bool SilentPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    const bool leavesTheBook = url.scheme() == "http" || url.scheme() == "https" || url.scheme() == "mailto";
    if (isMainFrame && type == NavigationTypeLinkClicked && leavesTheBook) {
        QDesktopServices::openUrl(url);
        return false;
    }
    return true;
}

} // namespace qm
