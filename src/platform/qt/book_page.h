#pragma once

#include <QWebEnginePage>

#include <functional>

namespace qm {

class BookConfinement;

// A page that keeps quiet and keeps to its book. Script dialogs go nowhere and console messages only to the log
// (quillmark.page), so a chapter can never block the reader with a box of its own. Navigations stay inside the
// book: a link, a redirect or a refresh to anything else is refused, and a click on a link to a web site or a
// mail address goes to `openExternal` instead (which decides whether a person really clicked).
class BookPage final : public QWebEnginePage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookPage)

public:
    BookPage(QWebEngineProfile* profile, const BookConfinement& confinement,
             std::function<void(const QUrl&)> openExternal, QObject* parent);

    // The program's own page of a message (a data: URL) is shown next: the one page allowed from outside the
    // book.
    void ExpectOwnPage() { ownPageNext_ = true; }

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    const BookConfinement& confinement_;
    std::function<void(const QUrl&)> openExternal_;
    bool ownPageNext_ = false;
};

} // namespace qm
