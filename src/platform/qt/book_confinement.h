#pragma once

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

#include <mutex>
#include <string>

namespace qm {

// Keeps the pages of a book inside the book: every request a page makes (documents, frames, pictures, styles,
// fonts, scripts' requests, WebSockets, workers) is allowed only for a file inside the book's folder, links and
// "." ".." resolved, or for data the request carries in itself; everything else is refused before it is made.
// The browser asks from its own thread, so the folder is guarded.
class BookConfinement final : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookConfinement)

public:
    explicit BookConfinement(QObject* parent = nullptr) : QWebEngineUrlRequestInterceptor(parent) {}

    // The folder whose files pages may reach; empty (as at first) allows no file at all.
    void SetBookFolder(const std::string& folder);

    // True when a page may load `url`.
    bool Allows(const QUrl& url) const;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    mutable std::mutex mutex_;
    std::string folder_; // resolved, with a trailing "/"
};

} // namespace qm
