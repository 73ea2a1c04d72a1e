#include "InformationBox.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include <algorithm>

namespace lumaril {

namespace {

QLabel *promptLabel(const QMessageBox &box)
{
    return box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
}

} // namespace

InformationBox::InformationBox(const QString &prompt, const QString &title, QWidget *parent)
    : QMessageBox(QMessageBox::Information, title, prompt, QMessageBox::Ok, parent)
{
    setObjectName(QStringLiteral("information"));
    setTextFormat(Qt::PlainText);
    // The label's least width carries the prompt's widest line into Qt's own sizing, which
    // then adds the icon, the margins and the spacing around it.
    if (QLabel *label = promptLabel(*this))
        label->setMinimumWidth(promptLineWidth());
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

void InformationBox::fit()
{
    QLayout *grid = layout();
    if (!grid)
        return;
    grid->activate();
    // Never wider than the screen, though, where a long title has to be cut short.
    const int wanted = std::min(std::max(grid->totalMinimumSize().width(), titleBarWidth()),
                                screen()->availableGeometry().width());
    if (width() >= wanted)
        return;
    const int height = grid->hasHeightForWidth() ? grid->totalHeightForWidth(wanted)
                                                 : grid->totalMinimumSize().height();
    setFixedSize(wanted, height);
}

bool InformationBox::event(QEvent *event)
{
    // Qt sizes the box anew on every layout request; this follows it.
    const bool handled = QMessageBox::event(event);
    if (event->type() == QEvent::LayoutRequest)
        fit();
    return handled;
}

void InformationBox::showEvent(QShowEvent *event)
{
    QMessageBox::showEvent(event);
    fit();
}

} // namespace lumaril
