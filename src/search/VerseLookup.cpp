#include "VerseLookup.h"

#include "PhraseSearch.h"
#include "RecordScanner.h"
#include "SearchTerm.h"
#include "TextCoding.h"
#include "VerseFile.h"
#include "WindowOperations.h"

#include <QLocale>

#include <cmath>

namespace lumaril {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<double> readNumber(const QString &text)
{
    const QString t = text::trimBlanks(text);
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(t[i])) {
        ++i;
        ++digits;
    }
    if (i < n && t[i] == u'.') {
        ++i;
        while (i < n && isAsciiDigit(t[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || i != n)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    // Qt also refuses a value too small for a double ("0.000...1" with 400 zeros), and says
    // so with 0. The text is a number, though, and that number rounds to zero.
    if (!ok && value == 0)
        return 0.0;
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString formatThreeDigits(double value)
{
    const double rounded = std::round(value);
    QString digits = QString::number(std::fabs(rounded), 'f', 0);
    if (digits.size() < 3)
        digits = QString(3 - digits.size(), u'0') + digits;
    return rounded < 0 ? u'-' + digits : digits;
}

std::optional<QString> referenceKey(const QString &surat, const QString &ayat)
{
    const auto s = readNumber(surat);
    const auto a = readNumber(ayat);
    if (!s || !a)
        return std::nullopt;
    return formatThreeDigits(*s) + u'.' + formatThreeDigits(*a);
}

void Command3_Click(WindowOperations &ops, const QString &verseFileName)
{
    ops.setResultsText(QString());
    // Read once, before the first repaint: the window may answer its window system while the
    // command runs, and what the command looks up must be what was there when it was asked.
    const QString surat = ops.suratText();
    const QString ayat = ops.ayatText();
    const bool suratIsNumber = readNumber(surat).has_value();
    const bool ayatIsNumber = readNumber(ayat).has_value();
    if (!suratIsNumber || !ayatIsNumber) {
        ops.showInformation(QStringLiteral("Please enter correct Surat and Ayat number !"),
                            QStringLiteral("Error !"));
        return;
    }
    ops.showBusyPanel();
    ops.repaintNow();

    // Both texts passed readNumber above, which is all referenceKey needs.
    const SearchTerm key(referenceKey(surat, ayat).value_or(QString()));
    VerseFile file(verseFileName);
    const auto showVerse = [&](RecordScanner &scanner) {
        // Shown up to the results box's limit, as a listed match is: a record of hundreds of
        // megabytes would otherwise be read into memory whole and laid out for minutes.
        const QString result = lineBreak + lineBreak
                + scanner.currentText(resultsLengthLimit - 2 * lineBreak.size());
        ops.setResultsText(result + lineBreak);
        ops.repaintNow();
        ops.hideBusyPanel();
        ops.showInformation(QStringLiteral("Ayat Found !"), QStringLiteral("Found !"));
        file.close();
        return false;
    };
    if (scanRecords(ops, file, key, showVerse) != ScanEnd::EndOfFile)
        return;
    file.close();
    ops.hideBusyPanel();
    ops.showInformation(QStringLiteral("Ayat not found !"), QStringLiteral("Sorry !"));
}

} // namespace lumaril
