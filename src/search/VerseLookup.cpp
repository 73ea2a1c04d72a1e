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

// The number's characters in ASCII, or nothing when they are not one number: an optional
// sign, decimal digits of one script with an optional point among them, and nothing else. A
// reader types the digits of their own script (٢٥٥, ২৫৫, ۲۵۵), and a number is read alike in
// each; mixing two scripts in one number is refused, as no script writes numbers so.
std::optional<QString> asciiNumber(const QString &t)
{
    QString ascii;
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == u'+' || t[i] == u'-'))
        ascii += t[i++];
    qsizetype digits = 0;
    bool point = false;
    char32_t zero = 0; // the zero of the script the number's digits are in
    while (i < n) {
        if (t[i] == u'.' && !point) {
            point = true;
            ascii += u'.';
            ++i;
            continue;
        }
        char32_t c = t[i].unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && t[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(t[i], t[i + 1]);
            width = 2;
        }
        if (QChar::category(c) != QChar::Number_DecimalDigit)
            return std::nullopt;
        const int value = QChar::digitValue(c);
        const char32_t digitZero = c - char32_t(value);
        if (digits > 0 && digitZero != zero)
            return std::nullopt;
        zero = digitZero;
        ascii += QChar(u'0' + value);
        ++digits;
        i += width;
    }
    if (digits == 0)
        return std::nullopt;
    return ascii;
}

} // namespace

std::optional<double> readNumber(const QString &text)
{
    const auto t = asciiNumber(text::trimBlanks(text));
    if (!t)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(*t, &ok);
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
