#pragma once

#include "ScriptFaces.h"
#include "WindowOperations.h"

#include <QElapsedTimer>
#include <QTextOption>

class QAction;
class QFrame;
class QLineEdit;
class QTextEdit;

namespace lumaril {

class Form1;

// The window operations carried out on Form1's widgets.
//
// While a command runs, the window is brought up to date on the screen by time, not by
// matches: at most once per frame of the screen, the changes are drawn and the event loop
// handles what the window system has sent, except user input (exposures after the window was
// uncovered or restored, the compositor's frame callbacks and buffer releases, a close
// request, which Form1 keeps for when the command has ended). A repaint asked for sooner is
// owed, and drawn at the next occasion or, at the latest, before the next message, so that
// the final state is on the screen before the message box.
//
// The results box keeps its text twice: exactly as the commands set it (CR LF pairs and all),
// which is what its length is measured on, and as shown, with each line break as the text
// widget wants it. While the busy panel shows, the box takes the latest text at most once a
// frame and as the panel goes, not at every match; a new text that only extends the one the
// box shows is appended rather than set anew, so a long search does not re-lay-out what is
// already listed.
//
// The box takes the face for the script of its text (ScriptFaces) before it shows the text, so
// that no text is ever drawn in another face first.
class WidgetOperations : public WindowOperations
{
public:
    explicit WidgetOperations(Form1 &form);

    void setResultsText(const QString &text) override;
    [[nodiscard]] qsizetype resultsTextLength() const override;
    [[nodiscard]] QString queryText() const override;
    [[nodiscard]] QString suratText() const override;
    [[nodiscard]] QString ayatText() const override;
    void showBusyPanel() override;
    void hideBusyPanel() override;
    void repaintNow() override;
    void stayResponsive() override;
    void setMatchFlag(bool matched) override;
    [[nodiscard]] bool matchFlag() const override;
    void showInformation(const QString &prompt, const QString &title) override;
    void unloadWindow() override;
    void endProgram() override;

    // The results text as the window holds it, CR LF pairs included.
    [[nodiscard]] const QString &resultsText() const { return m_resultsText; }

    // What a text looks like on screen: CR LF (or a lone CR or LF) as one line break, NUL as
    // the replacement character, which text widgets would otherwise cut at.
    [[nodiscard]] static QString displayText(QStringView text);

private:
    // Puts the results text into the box, where the box does not show it yet.
    void showResultsText();
    // Reads on into the text the box is given, and takes the face it needs.
    void followScript(QStringView shown);
    // Draws what changed, then lets the window system's events in, user input excepted.
    void present();
    void drawPendingChanges();
    // Presents, without waiting for the next frame, a repaint held back or a panel shown or
    // hidden.
    void drawOwed();
    [[nodiscard]] bool frameHasPassed() const;

    Form1 &m_form;
    QTextEdit *m_results;
    QLineEdit *m_query;
    QLineEdit *m_surat;
    QLineEdit *m_ayat;
    QFrame *m_wait;
    QAction *m_search;
    QString m_resultsText;
    // How the results box wraps its lines, and how long a run without a blank ends the text it
    // holds: a text with a run too long to wrap at blanks is wrapped anywhere.
    QTextOption::WrapMode m_wordWrap = QTextOption::WrapAtWordBoundaryOrAnywhere;
    qsizetype m_trailingRun = 0;
    QFont m_resultsFont;
    ScriptFaces m_resultsScript;
    // How much of the results text the box shows, and whether it shows another text instead.
    qsizetype m_shownLength = 0;
    bool m_replaceShown = false;
    // Whether the screen shows the busy panel, as last drawn.
    bool m_panelOnScreen = false;
    // A repaint was held back until the screen could show it.
    bool m_owed = false;
    QElapsedTimer m_sincePresent;
    qint64 m_frameNs = 16'666'667;
};

} // namespace lumaril
