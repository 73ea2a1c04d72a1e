#pragma once

#include <QMessageBox>

class QLabel;

namespace lumaril {

// The information message: the information icon, a prompt, a single OK button, modal over its
// parent.
//
// Qt sizes a message box for its text alone: it wraps the prompt at about 500 pixels, and
// leaves room for the title as if the title bar held no buttons, so a window manager shortens
// a short title ("Fo... !") and the About text takes four lines instead of its three. This box
// is wide enough for its title to show whole beside the title bar's buttons, and for each
// line of its prompt to stay on one line unless that line is wider than two thirds of the
// screen, where it wraps, at words or, in a run too long for a line such as a path, anywhere:
// every character of the prompt is shown. Its size is settled before Qt centres it over its parent, so Qt's
// own cap holds too: on a screen wider than 1024 pixels no message box is wider than 1000.
class InformationBox : public QMessageBox
{
public:
    InformationBox(const QString &prompt, const QString &title, QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The width the title needs in a title bar, its buttons and icon included.
    [[nodiscard]] int titleBarWidth() const;
    // The widest line of the prompt, as the box draws it, up to two thirds of the screen.
    [[nodiscard]] int promptLineWidth() const;
    // The label that shows the prompt.
    [[nodiscard]] QLabel *shownPrompt() const;

    QLabel *m_shown = nullptr;
};

} // namespace lumaril
