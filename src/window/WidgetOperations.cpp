#include "WidgetOperations.h"

#include "Form1.h"
#include "InformationBox.h"

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QLineEdit>
#include <QTextEdit>
#include <QScrollBar>
#include <QTextCursor>

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

void WidgetOperations::setResultsText(const QString &text)
{
    const qsizetype old = m_resultsText.size();
    // A CR at the end of the old text could pair with an LF at the start of the new part, so
    // only a clean cut is appended.
    const bool extends = old > 0 && text.size() > old && m_resultsText.back() != u'\r'
            && QStringView(text).first(old) == m_resultsText;
    if (extends) {
        QTextCursor end(m_results->document());
        end.movePosition(QTextCursor::End);
        end.insertText(displayText(QStringView(text).sliced(old)));
        m_resultsText.append(QStringView(text).sliced(old));
    } else {
        // A deep copy: sharing the caller's string would make its next append copy it whole.
        m_resultsText = QString(text.constData(), text.size());
        m_results->setPlainText(displayText(text));
    }
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
    m_panelChanged = true;
}

void WidgetOperations::hideBusyPanel()
{
    m_wait->hide();
    m_panelChanged = true;
}

void WidgetOperations::repaintNow()
{
    // While a command runs nothing reaches the event loop, so whatever the widgets asked to
    // have redrawn is drawn here, synchronously. A widget just shown only posts its update,
    // which its parent's repaint skips, so the panel is repainted on its own as well.
    // Between matches, delivering the window's pending update request draws exactly what
    // changed (the new text where it is in view, the scroll bar) and nothing else: a long
    // search stays quick, yet the screen shows every match as it is found.
    if (m_panelChanged) {
        m_panelChanged = false;
        m_form.repaint();
        if (m_wait->isVisible())
            m_wait->repaint();
    } else {
        QCoreApplication::sendPostedEvents(&m_form, QEvent::UpdateRequest);
    }
}

void WidgetOperations::setMatchFlag(bool matched)
{
    m_search->setEnabled(matched);
}

bool WidgetOperations::matchFlag() const
{
    return m_search->isEnabled();
}

void WidgetOperations::showInformation(const QString &prompt, const QString &title)
{
    InformationBox box(displayText(prompt), title, &m_form);
    box.exec();
}

void WidgetOperations::unloadWindow()
{
    m_form.close();
}

void WidgetOperations::endProgram()
{
    QCoreApplication::exit(0);
}

} // namespace lumaril
