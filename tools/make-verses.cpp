// Turns a file of the quran-json package (dist/quran_en.json and the like) into the program's
// verse file: a preamble naming the text and its licence, then one record per verse,
// "#SSS.AAA text" and CR LF, in chapter and verse order, and a closing "#" so that the last
// verse is a complete record. The English file is written in Windows-1252 (its translation is
// plain ASCII), refusing anything it cannot encode; the others in UTF-8. The output appears
// whole or not at all.
//
// Usage: lumaril-make-verses [--language CODE] INPUT.json OUTPUT
// CODE is the file's language, "en" by default; "ar" is dist/quran.json, the Arabic text.

#include "TextCoding.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

#include <map>

#include <cstdio>

namespace {

const char englishTitle[] = "The Quran in English, Saheeh International translation.";

// The other texts of the package, as its README names them.
const std::map<QString, const char *> otherTitles = {
        {"ar", "The Quran in Arabic, the Uthmani text of The Noble Qur'an Encyclopedia."},
        {"bn", "The Quran in Bengali, translated by Muhiuddin Khan."},
        {"es", "The Quran in Spanish, translated by Muhammad Isa Garc\u00EDa."},
        {"fr", "The Quran in French, translated by Muhammad Hamidullah."},
        {"id", "The Quran in Indonesian, translated by the Indonesian Islamic Affairs Ministry."},
        {"ru", "The Quran in Russian, translated by Elmir Kuliev."},
        {"sv", "The Quran in Swedish, translated by Knut Bernstr\u00F6m."},
        {"tr", "The Quran in Turkish, translated by the Turkish Directorate of Religious Affairs."},
        {"ur", "The Quran in Urdu, translated by Abul A'la Maududi."},
        {"zh", "The Quran in Chinese, translated by Muhammad Makin."},
};

QString preamble(const QString &title)
{
    return QStringLiteral(
                   "Lumaril verse file: %1\r\n"
                   "Taken from quran-json 3.1.2 by Risan Bagja Pradana (the npm package quran-json),\r\n"
                   "licensed under the Creative Commons Attribution-ShareAlike 4.0 International\r\n"
                   "licence (CC BY-SA 4.0): https://creativecommons.org/licenses/by-sa/4.0/\r\n"
                   "Changes: converted from JSON to this plain-text layout by the Lumaril project;\r\n"
                   "the wording of the translation is unchanged. This file is shared under the same\r\n"
                   "licence. Each record below is one verse, led by its chapter and verse number.\r\n")
            .arg(title);
}

// A few Bengali verses of the package hold a character reference such as "#2468;" (U+09A4),
// the rest of an "&#...;" whose "&" was lost; it becomes its character, since no record may
// hold "#".
QString withReferencesResolved(QString text)
{
    static const QRegularExpression reference(QStringLiteral("#([0-9]{2,7});"));
    QRegularExpressionMatch m;
    while ((m = reference.match(text)).hasMatch()) {
        const char32_t c = m.captured(1).toUInt();
        text.replace(m.capturedStart(), m.capturedLength(), QString::fromUcs4(&c, 1));
    }
    return text;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "lumaril-make-verses: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    QString language = QStringLiteral("en");
    if (args.size() == 5 && args[1] == u"--language") {
        language = args[2];
        args.remove(1, 2);
    }
    if (args.size() != 3 || (language != u"en" && !otherTitles.contains(language)))
        return fail(QStringLiteral("usage: lumaril-make-verses [--language en|ar|bn|es|fr|id|ru|sv|tr|ur|zh] "
                                   "quran_xx.json quran.txt"));
    // The Arabic file holds the text alone, under "text"; the others hold a translation too.
    const QString field = language == u"ar" ? QStringLiteral("text") : QStringLiteral("translation");

    QFile input(args[1]);
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(args[1], input.errorString()));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(input.readAll(), &parseError);
    input.close();
    if (parseError.error != QJsonParseError::NoError || !doc.isArray())
        return fail(QStringLiteral("%1 is not the expected JSON array: %2")
                            .arg(args[1], parseError.errorString()));

    QStringList verses;
    int expectedChapter = 1;
    for (const QJsonValue &chapterValue : doc.array()) {
        const QJsonObject chapter = chapterValue.toObject();
        const int chapterId = chapter.value(QStringLiteral("id")).toInt();
        if (chapterId != expectedChapter++)
            return fail(QStringLiteral("chapter %1 is out of order").arg(chapterId));
        int expectedVerse = 1;
        for (const QJsonValue &verseValue : chapter.value(QStringLiteral("verses")).toArray()) {
            const QJsonObject verse = verseValue.toObject();
            const int verseId = verse.value(QStringLiteral("id")).toInt();
            if (verseId != expectedVerse++)
                return fail(QStringLiteral("verse %1:%2 is out of order").arg(chapterId).arg(verseId));
            const QString text = withReferencesResolved(verse.value(field).toString());
            if (text.isEmpty() || text.contains(u'#'))
                return fail(QStringLiteral("verse %1:%2 is empty or holds \"#\"").arg(chapterId).arg(verseId));
            verses << QStringLiteral("#%1.%2 ").arg(chapterId, 3, 10, QLatin1Char('0'))
                                      .arg(verseId, 3, 10, QLatin1Char('0'))
                    + text + QStringLiteral("\r\n");
        }
    }
    if (verses.isEmpty())
        return fail(QStringLiteral("%1 holds no verses").arg(args[1]));
    const QString whole = preamble(language == u"en" ? QString::fromLatin1(englishTitle)
                                                      : QString::fromUtf8(otherTitles.at(language)))
            + verses.join(QString()) + u'#';
    // The English file is Windows-1252, as it always was; the others are UTF-8.
    const bool windows1252 = language == u"en";
    const auto bytes = windows1252 ? lumaril::text::toWindows1252(whole) : whole.toUtf8();
    if (!bytes)
        return fail(QStringLiteral("%1 holds a character outside Windows-1252").arg(args[1]));
    const QByteArray &out = *bytes;

    QSaveFile output(args[2]);
    if (!output.open(QIODevice::WriteOnly) || output.write(out) != out.size() || !output.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(args[2], output.errorString()));
    std::printf("lumaril-make-verses: wrote %lld verses of %d chapters to %s (%s)\n",
                static_cast<long long>(verses.size()), expectedChapter - 1, qPrintable(args[2]),
                windows1252 ? "Windows-1252" : "UTF-8");
    return 0;
}
