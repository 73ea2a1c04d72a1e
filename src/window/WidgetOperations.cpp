#include "WidgetOperations.h"

#include "Form1.h"
#include "InformationBox.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QLineEdit>
#include <QTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QWindow>

#include <algorithm>

namespace lumaril {

WidgetOperations::WidgetOperations(Form1 &form)
    : m_form(form)
    , m_results(form.findChild<QTextEdit *>(QStringLiteral("Text1")))
    , m_query(form.findChild<QLineEdit *>(QStringLiteral("Text2")))
    , m_surat(form.findChild<QLineEdit *>(QStringLiteral("surat")))
    , m_ayat(form.findChild<QLineEdit *>(QStringLiteral("ayat")))
    , m_wait(form.findChild<QFrame *>(QStringLiteral("wait")))
    , m_search(form.findChild<QAction *>(QStringLiteral("search")))
{
    Q_ASSERT(m_results && m_query && m_surat && m_ayat && m_wait && m_search);
    m_wordWrap = m_results->wordWrapMode();
    m_resultsFont = m_results->font();
}

QString WidgetOperations::displayText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c.unicode() == 0) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

// A run of characters this long with no blank to break a line at is no word of any language,
// only a hostile verse file. Wrapping at blanks, the text layout looks for the run's end
// afresh on every line the run fills, which costs the square of its length: minutes for two
// million letters. Breaking anywhere costs only the length, and breaks a run wider than the
// box exactly where wrapping at blanks would: at the box's width.
constexpr qsizetype longestWordRun = 10000;

// What the user does to the window with the keyboard, the mouse, a pen or a finger.
bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Drops the user's input to the program's windows while it is installed. Every other event
// goes through: the window system's, and what accessibility tools and the window manager ask
// (a close request among them), which the platform may count as input too.
class InputHold : public QObject
{
public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputHold(const InputHold &) = delete;
    InputHold &operator=(const InputHold &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!(watched->isWidgetType() || watched->isWindowType()) || !isUserInput(event->type()))
            return false;
        // A key taken by no shortcut and left unused goes on to the platform's own handling:
        // Alt+F4 on Windows becomes a close request there.
        if (event->type() == QEvent::ShortcutOverride)
            event->accept();
        else
            event->ignore();
        return true;
    }
};

bool breaksLine(QChar c)
{
    return c.isSpace() && c.decompositionTag() != QChar::NoBreak;
}

// Follows the runs of characters without a blank through text, the first one continuing the
// run of `run` characters that ended the text before it; returns the longest and leaves `run`
// at the length of the run that ends text.
qsizetype longestRun(QStringView text, qsizetype &run)
{
    qsizetype longest = run;
    for (const QChar c : text) {
        run = breaksLine(c) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

void WidgetOperations::setResultsText(const QString &text)
{
    const qsizetype old = m_resultsText.size();
    if (old > 0 && text.size() > old && QStringView(text).first(old) == m_resultsText) {
        m_resultsText.append(QStringView(text).sliced(old));
    } else {
        // A deep copy: sharing the caller's string would make its next append copy it whole.
        m_resultsText = QString(text.constData(), text.size());
        m_replaceShown = true;
    }
    // While the busy panel shows, a search may add a match many times a frame: the box takes
    // the latest text only when the screen can show it.
    if (!m_wait->isVisible())
        showResultsText();
}

void WidgetOperations::showResultsText()
{
    // A CR at the end of what the box shows could pair with an LF at the start of the rest,
    // so only a clean cut is appended.
    const bool extends = !m_replaceShown && m_shownLength > 0 && m_resultsText[m_shownLength - 1] != u'\r';
    if (extends && m_shownLength < m_resultsText.size()) {
        const QStringView added = QStringView(m_resultsText).sliced(m_shownLength);
        if (longestRun(added, m_trailingRun) >= longestWordRun)
            m_results->setWordWrapMode(QTextOption::WrapAnywhere);
        if (!m_resultsScript.hasReadEnough())
            followScript(added);
        QTextCursor end(m_results->document());
        end.movePosition(QTextCursor::End);
        end.insertText(displayText(added));
    } else if (!extends && (m_replaceShown || m_shownLength != m_resultsText.size())) {
        m_trailingRun = 0;
        const bool hostile = longestRun(m_resultsText, m_trailingRun) >= longestWordRun;
        // Emptied first, so that changing how the box wraps lays out no old text.
        m_results->clear();
        m_results->setWordWrapMode(hostile ? QTextOption::WrapAnywhere : m_wordWrap);
        m_resultsScript.restart();
        followScript(m_resultsText);
        m_results->setPlainText(displayText(m_resultsText));
    }
    m_replaceShown = false;
    m_shownLength = m_resultsText.size();
}

void WidgetOperations::followScript(QStringView shown)
{
    m_resultsScript.read(shown);
    const QFont font = ScriptFaces::readingFont(m_resultsScript.face(), m_resultsFont);
    if (m_results->font() != font)
        m_results->setFont(font);
}

qsizetype WidgetOperations::resultsTextLength() const
{
    return m_resultsText.size();
}

QString WidgetOperations::queryText() const
{
    return m_query->text();
}

QString WidgetOperations::suratText() const
{
    return m_surat->text();
}

QString WidgetOperations::ayatText() const
{
    return m_ayat->text();
}

void WidgetOperations::showBusyPanel()
{
    m_wait->show();
    // A command starts: its first repaint waits a frame, so that a command over sooner never
    // draws the panel at all (no screen could have shown it), and its one repaint, at the
    // end, does not follow the last one too closely.
    m_sincePresent.start();
}

void WidgetOperations::hideBusyPanel()
{
    m_wait->hide();
    showResultsText();
    // A command's message comes next: the window's final state, the panel gone and the last
    // results in place, is on the screen before it, whatever the pacing held back.
    drawOwed();
}

bool WidgetOperations::frameHasPassed() const
{
    return !m_sincePresent.isValid() || m_sincePresent.nsecsElapsed() >= m_frameNs;
}

void WidgetOperations::repaintNow()
{
    // A screen shows one frame at a time: repainting more often only makes the command wait
    // for the window system (on Wayland, for buffers the compositor still holds).
    if (frameHasPassed())
        present();
    else
        m_owed = true;
}

void WidgetOperations::stayResponsive()
{
    if (frameHasPassed())
        present();
}

void WidgetOperations::present()
{
    m_owed = false;
    showResultsText();
    drawPendingChanges();
    // Exposures, frame callbacks and buffer releases come in as events; handling them here
    // keeps the whole window right on the screen, and the compositor's buffers flowing, while
    // the command holds the thread, and sends what was drawn on to the compositor. The user's
    // keys and clicks are dropped, as if nothing were handled at all; commands and close
    // requests that arrive here (from accessibility tools, the window manager, the session)
    // wait their turn in Form1. Asking Qt to leave out user input instead would also hold back
    // the window manager's close, which X11 and Windows deliver as input, until it is lost in
    // the command's message box.
    {
        const InputHold hold;
        QCoreApplication::processEvents();
    }
    if (const QScreen *screen = m_form.screen(); screen && screen->refreshRate() >= 1)
        m_frameNs = qint64(1e9 / std::clamp(screen->refreshRate(), qreal(24), qreal(480)));
    m_sincePresent.start();
}

void WidgetOperations::drawOwed()
{
    if (m_owed || m_wait->isVisible() != m_panelOnScreen)
        present();
}

void WidgetOperations::drawPendingChanges()
{
    // What the widgets asked to have redrawn is drawn here, synchronously, and nothing else:
    // delivering the window's pending update request draws exactly what changed (the new
    // text where it is in view, the scroll bar), so a long search stays quick. A panel just
    // shown only posts its update, which that skips, so it is painted on its own.
    const bool panel = m_wait->isVisible();
    if (panel && !m_panelOnScreen)
        m_wait->repaint();
    m_panelOnScreen = panel;
    QCoreApplication::sendPostedEvents(&m_form, QEvent::UpdateRequest);
}

void WidgetOperations::setMatchFlag(bool matched)
{
    // Set for every record a search tests: the menu item is touched only when it changes.
    if (m_search->isEnabled() != matched)
        m_search->setEnabled(matched);
}

bool WidgetOperations::matchFlag() const
{
    return m_search->isEnabled();
}

void WidgetOperations::showInformation(const QString &prompt, const QString &title)
{
    // What the window owes the screen reaches it before the message does.
    drawOwed();
    InformationBox box(displayText(prompt), title, &m_form);
    box.exec();
}

void WidgetOperations::unloadWindow()
{
    m_form.unload();
}

void WidgetOperations::endProgram()
{
    m_form.endProgram();
}

} // namespace lumaril
