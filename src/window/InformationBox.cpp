#include "InformationBox.h"

#include <QFontDatabase>
#include <QGridLayout>
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

// A run of characters this wide without a blank cannot wrap at a word; a path is the usual one.
constexpr int breakableRun = 24;

// The prompt as the box shows it: inside a run without a blank, longer than any word, the
// lines may break after any character, where a zero-width space is put. The label wraps
// only at words, and would cut the rest of the run at its edge.
QString breakableText(const QString &text)
{
    QString shown;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text[i].isSpace())
            continue;
        const QStringView run = QStringView(text).sliced(runStart, i - runStart);
        if (run.size() <= breakableRun) {
            shown += run;
        } else {
            for (qsizetype j = 0; j < run.size(); ++j) {
                // Never between a letter and its accent, nor inside a surrogate pair.
                if (j > 0 && !run[j].isMark() && !run[j].isLowSurrogate())
                    shown += QChar(0x200B);
                shown += run[j];
            }
        }
        if (i < text.size())
            shown += text[i];
        runStart = i + 1;
    }
    return shown;
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
    // The prompt is shown by a label of the box's own, in the place of Qt's, which stays the
    // box's text (what Ctrl+C copies and the tests read) but hidden.
    QLabel *qtLabel = promptLabel(*this);
    auto *grid = qobject_cast<QGridLayout *>(layout());
    if (!qtLabel || !grid || grid->indexOf(qtLabel) < 0)
        return;
    m_shown = new QLabel(breakableText(qtLabel->text()), this);
    m_shown->setObjectName(QStringLiteral("prompt"));
    m_shown->setTextFormat(Qt::PlainText);
    m_shown->setWordWrap(true);
    m_shown->setAlignment(qtLabel->alignment());
    m_shown->setContentsMargins(qtLabel->contentsMargins());
    m_shown->setAccessibleName(qtLabel->text());
    int row = 0;
    int column = 0;
    int rows = 1;
    int columns = 1;
    grid->getItemPosition(grid->indexOf(qtLabel), &row, &column, &rows, &columns);
    grid->addWidget(m_shown, row, column, rows, columns, grid->itemAt(grid->indexOf(qtLabel))->alignment());
    qtLabel->hide();
}

int InformationBox::promptLineWidth() const
{
    const QLabel *label = shownPrompt();
    if (!label)
        return 0;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString &line : text().split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    // A pixel to spare, so that rounding in the label's own layout never wraps the line.
    widest += 2;
    return std::min(widest, screen()->availableGeometry().width() * 2 / 3);
}

QLabel *InformationBox::shownPrompt() const
{
    return m_shown ? m_shown : promptLabel(*this);
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
    QLabel *label = shownPrompt();
    if (label && layout()) {
        // Qt keeps a message box within the screen, and on a screen wider than 1024 pixels
        // within 1000 pixels and 480 less than the screen: a label wider than that leaves
        // beside the icon and margins would reach past the box's edge and be cut, so it
        // wraps there instead.
        const int screenWidth = screen()->availableGeometry().width();
        const int boxLimit = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
        label->setMinimumWidth(boxLimit);
        const int labelLimit = 2 * boxLimit - layout()->totalMinimumSize().width();
        label->setMinimumWidth(std::min(promptLineWidth(), labelLimit));
        const int shortBy = titleBarWidth() - layout()->totalMinimumSize().width();
        if (shortBy > 0)
            label->setMinimumWidth(std::min(label->minimumWidth() + shortBy, labelLimit));
    }
    QMessageBox::showEvent(event);
}

} // namespace lumaril
