#include "InformationBox.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include <algorithm>

namespace lumaril {

namespace {

// The label that shows the prompt: QMessageBox has no accessor for it, but it is the one
// label of the box that shows the box's text.
QLabel *promptLabel(const QMessageBox &box)
{
    const QList<QLabel *> labels = box.findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text() == box.text())
            return label;
    }
    return nullptr;
}

} // namespace

InformationBox::InformationBox(const QString &prompt, const QString &title, QWidget *parent)
    // What a desktop's message box offers: a title and a close button, no minimise or
    // maximise. Without the customize hint Qt also asks for a window menu, which on Windows
    // puts an icon in the title bar that its message boxes do not have. Given here rather than
    // set once the box is made: set afterwards, they held each box back some 16 ms (X11).
    : QMessageBox(QMessageBox::Information, title, prompt, QMessageBox::Ok, parent,
                  Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("information"));
    setTextFormat(Qt::PlainText);
}

int InformationBox::promptLineWidth() const
{
    const QLabel *label = promptLabel(*this);
    if (!label)
        return 0;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString &line : label->text().split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    // A pixel to spare, so that rounding in the label's own layout never wraps the line.
    widest += 2;
    return std::min(widest, screen()->availableGeometry().width() * 2 / 3);
}

int InformationBox::titleBarWidth() const
{
    // The window manager's title font is not known here: the desktop's title font in bold,
    // which is at least as wide as the usual regular or bold one, stands in for it.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const int text = QFontMetrics(font).horizontalAdvance(windowTitle());

    // What a title bar with an icon and the minimise, maximise and close buttons leaves for
    // its caption, as the style lays one out; a caption is also kept clear of the buttons.
    QStyleOptionTitleBar bar;
    bar.initFrom(this);
    bar.titleBarFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;
    bar.titleBarState = Qt::WindowActive;
    const int height = style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, this);
    bar.rect = QRect(0, 0, 1000, height);
    const QRect caption = style()->subControlRect(QStyle::CC_TitleBar, &bar, QStyle::SC_TitleBarLabel, this);
    const int buttons = std::max(bar.rect.width() - caption.width(), 5 * height);
    return text + buttons + 2 * height;
}

void InformationBox::showEvent(QShowEvent *event)
{
    // Qt sizes the box and centres it over its parent as it is shown, so what the box needs
    // goes into the label's least width first: widened afterwards, the box would hang off to
    // the right of where Qt centred it. The label's least width carries the prompt's widest
    // line, measured in the font the label has once polished (on Windows the desktop's
    // message font), into Qt's sizing, which adds the icon, the margins and the spacing; then
    // whatever the title needs beyond that.
    QLabel *label = promptLabel(*this);
    if (label && layout()) {
        label->setMinimumWidth(promptLineWidth());
        const int shortBy = titleBarWidth() - layout()->totalMinimumSize().width();
        if (shortBy > 0)
            label->setMinimumWidth(label->minimumWidth() + shortBy);
    }
    QMessageBox::showEvent(event);
}

} // namespace lumaril
