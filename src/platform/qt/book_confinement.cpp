#include "platform/qt/book_confinement.h"

#include "platform/qt/qt_log.h"
#include "view/document_type.h"

#include <filesystem>

namespace qm {

namespace {

// The path with links and "." ".." resolved as far as it exists; the part that does not exist yet is taken as
// written, so a missing file inside the book stays inside it (and fails as missing).
std::string Resolved(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::string() : resolved.lexically_normal().string();
}

} // namespace

void BookConfinement::SetBookFolder(const std::string& folder) {
    std::string resolved = folder.empty() ? std::string() : Resolved(folder);
    if (!resolved.empty() && resolved.back() != '/') {
        resolved += '/';
    }
    const std::lock_guard lock(mutex_);
    folder_ = resolved;
}

bool BookConfinement::Allows(const QUrl& url) const {
    const QString scheme = url.scheme();
    if (scheme == "data") {
        return true;
    }
    if (scheme != "file" || !url.host().isEmpty()) {
        return false;
    }
    const std::string path = Resolved(url.toLocalFile().toStdString());
    const std::lock_guard lock(mutex_);
    return !folder_.empty() && path.size() > folder_.size() && path.compare(0, folder_.size(), folder_) == 0;
}

void BookConfinement::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl url = info.requestUrl();
    if (!Allows(url)) {
        qCDebug(lcPage).noquote() << "refused" << url.toString();
        info.block(true);
        return;
    }
    // The reader shows a chapter file under a name whose ending makes the engine parse it as the document type
    // it is, renaming it on disk; links of the book still name the file as it was, and lead to it under its new
    // name.
    const std::string path = url.toLocalFile().toStdString();
    std::error_code ec;
    if (url.isLocalFile() && !std::filesystem::exists(path, ec)) {
        for (const std::string& shown : ShownPaths(path)) {
            if (shown != path && std::filesystem::is_regular_file(shown, ec)) {
                QUrl renamed = QUrl::fromLocalFile(QString::fromStdString(shown));
                renamed.setFragment(url.fragment());
                info.redirect(renamed);
                return;
            }
        }
    }
}

} // namespace qm
