#pragma once

#include "ExposureWatch.h"
#include "FramePacer.h"
#include "WindowOperations.h"

#include <QTextOption>

class QAction;
class QFrame;
class QLineEdit;
class QTextEdit;

namespace lumaril {

class Form1;

// The window operations carried out on Form1's widgets.
//
// The results box keeps its text twice: exactly as the commands set it (CR LF pairs and all),
// which is what its length is measured on, and as shown, with each line break as the text
// widget wants it. A new text that only extends the old one is appended rather than set
// anew, so a long search does not re-lay-out what is already listed.
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
    // Draws what changed and hands the window to the window system.
    void present();
    void drawPendingChanges();

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
    bool m_panelChanged = true;
    FramePacer m_pacer;
    ExposureWatch m_exposure;
    // A repaint was held back until the compositor is ready for it.
    bool m_owed = false;
};

} // namespace lumaril
