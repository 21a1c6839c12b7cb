#pragma once

#include <QWebEnginePage>

namespace qm {

// A page that keeps quiet: script dialogs and console messages go nowhere, so a chapter's scripts can never
// block the reader with a box of their own. A click on a link to another site opens that site in the desktop's
// browser instead of leaving the book.
class SilentPage final : public QWebEnginePage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SilentPage)

public:
    SilentPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};

} // namespace qm
