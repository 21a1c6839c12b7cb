#pragma once

#include <QLabel>

namespace qm {

enum class ButtonPicture { Norm, Enter, Down };

// A picture button: an image that takes the size of its pictures and shows a copy of one of its three state
// pictures, kept in a hidden store as labels named after the button with Norm, Enter or Down appended. The
// pointer entering shows Enter, leaving shows Norm, any press shows Down, and a release shows the button's
// release picture. A left press and release on the button is a click, whose command runs before the release
// picture is shown, so the button looks pressed while its command runs. The keyboard reaches it with Tab (it
// shows a ring then) and Space or Enter clicks it; to assistive technology it is a button named by its
// accessible name, whose press action clicks it.
class TPictureButton final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPictureButton)

public:
    TPictureButton(QWidget* parent, const QString& name, const QWidget& store, ButtonPicture afterRelease);

    ButtonPicture Shown() const { return shown_; }
    // A click by other means than the pointer: the button shows Down while its command runs.
    void Press();

signals:
    void Click();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A disabled button is drawn faded: its pictures are light icons, which the style's own greying hardly
    // changes.
    void changeEvent(QEvent* event) override;

private:
    void ShowPicture(ButtonPicture picture);
    // Emits Click; false when the command closed the window and the button is gone.
    bool EmitClick();

    const QLabel* pictures_[3];
    ButtonPicture afterRelease_;
    ButtonPicture shown_ = ButtonPicture::Norm;
};

} // namespace qm
