#pragma once

// The key part a Surat or Ayat text should give, worked out apart from readNumber and
// formatThreeDigits, for the tests and the fuzzer alike.

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <optional>

// A number may be written in the digits of any one script; the grammar below is ASCII's, so
// the digits are first written as ASCII ones. Nothing when two scripts meet in one text.
inline std::optional<QString> inAsciiDigits(const QString &text)
{
    QString ascii;
    std::optional<char32_t> zero;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::category(c) != QChar::Number_DecimalDigit) {
            ascii += QString::fromUcs4(&c, 1);
            continue;
        }
        const int value = QChar::digitValue(c);
        if (zero && *zero != c - char32_t(value))
            return std::nullopt;
        zero = c - char32_t(value);
        ascii += QChar(u'0' + value);
    }
    return ascii;
}

// The number's grammar as a pattern, its value from strtod, rounded half away from zero and
// written with at least three digits. Nothing for a text that is no number, or too large.
inline std::optional<QString> keyPartFor(const QString &typed)
{
    static const QRegularExpression number(QRegularExpression::anchoredPattern(
            QStringLiteral(" *[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+) *")));
    const auto text = inAsciiDigits(typed);
    if (!text || !number.match(*text).hasMatch())
        return std::nullopt;
    const double value = std::strtod(text->toLatin1().constData(), nullptr);
    if (std::isinf(value))
        return std::nullopt;
    const double rounded = std::round(value);
    if (rounded == 0)
        return QStringLiteral("000");
    QString digits = QString::asprintf("%.0f", std::fabs(rounded));
    while (digits.size() < 3)
        digits.prepend(u'0');
    return rounded < 0 ? u'-' + digits : digits;
}
