#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QTextBrowser;

namespace qm {

// The program's own help: its pages (home, help and the keyboard shortcuts) in a window of their own, drawn by
// Qt's rich text, not by a browser. Links between the pages and within them are followed here; a link to a web
// site goes to `openExternal`. Esc closes the window.
class THelpWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THelpWindow)

public:
    THelpWindow(QWidget* parent, std::function<void(const std::string& url)> openExternal);

    // Shows the page `url` (a file URL of a help page) and brings the window to the front.
    void ShowPage(const QString& url);

    QTextBrowser* Browser;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void(const std::string& url)> openExternal_;
};

} // namespace qm
