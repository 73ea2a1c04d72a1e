#pragma once

// Window operations for the benchmarks and the soak run, which search many times in a row
// with no one there to close a message box.

#include "WindowOperations.h"

// The operations of the search core alone: the boxes are fields and the final message is only
// noted. Only the length of the results is kept, as the real window keeps its own copy of the
// text rather than a reference, which would make every append copy the whole text.
class QuietOperations : public lumaril::WindowOperations
{
public:
    QString query, surat, ayat, message;
    qsizetype resultsLength = 0;
    bool flag = true;

    void setResultsText(const QString &text) override { resultsLength = text.size(); }
    qsizetype resultsTextLength() const override { return resultsLength; }
    QString queryText() const override { return query; }
    QString suratText() const override { return surat; }
    QString ayatText() const override { return ayat; }
    void showBusyPanel() override {}
    void hideBusyPanel() override {}
    void repaintNow() override {}
    void setMatchFlag(bool matched) override { flag = matched; }
    bool matchFlag() const override { return flag; }
    void showInformation(const QString &prompt, const QString &) override { message = prompt; }
    void unloadWindow() override {}
    void endProgram() override {}
};
