#pragma once

#include "platform/browser_view.h"

#include <QString>
#include <QVariant>
#include <QWebEngineView>

class QQuickWidget;
class QWebEngineProfile;

namespace qm {

// The page view on Qt WebEngine. It shows local files in a private, off-the-record profile, shows no dialogs
// of its own (script alerts, console messages), and opens links to other sites in the desktop's browser. It
// fills its parent widget until a size is set through the BrowserView interface. The browser's own zoom is
// never used: Ctrl with the mouse wheel is reported as ZoomGesture for the window's zoom commands.
class WebEngineBrowser final : public QWebEngineView, public BrowserView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEngineBrowser)

public:
    explicit WebEngineBrowser(QWidget* parent);
    ~WebEngineBrowser() override;

    // Runs `script` in a world of its own beside the page's scripts and returns its value, handling events
    // while it waits. Throws std::runtime_error when nothing has been loaded yet or no answer comes in time.
    QVariant EvaluateScript(const QString& script);

    void Navigate(const std::string& path) override;
    void SetDocumentCompleteHandler(std::function<void()> handler) override;
    void ApplyZoom(double factor) override;
    void SetCharSet(const std::string& charset) override;
    void SetBodyBorderStyle(const std::string& style) override;
    int ScrollHeight(ScrollElement element) override;
    int ScrollWidth(ScrollElement element) override;
    int ViewHeight() const override;
    int ViewWidth() const override;
    void SetViewHeight(int height) override;
    void SetViewWidth(int width) override;
    ScrollPosition ScrollTo(int x, int y) override;
    RgbImage CaptureView() override;
    void BeginCapture(int documentHeight) override;
    void EndCapture() override;

signals:
    // Ctrl and the mouse wheel over the page: +1 to zoom in, -1 to zoom out.
    void ZoomGesture(int direction);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int ReadScrollSize(ScrollElement element, const char* property);
    void FollowContainer();
    QQuickWidget* RenderWidget() const;

    QWebEngineProfile* profile_;
    std::function<void()> documentComplete_;
    bool navigated_ = false;
    bool heldToContainer_ = true;
    int sentinelColour_ = 0;
};

} // namespace qm
