// Turns the English file of the quran-json package (dist/quran_en.json) into the program's
// verse file: a preamble naming the translation and its licence, then one record per verse,
// "#SSS.AAA text" and CR LF, in chapter and verse order, and a closing "#" so that the last
// verse is a complete record. Writes Windows-1252 bytes (the translation is plain ASCII) and
// refuses to write anything it cannot encode. The output appears whole or not at all.

#include "TextCoding.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>

namespace {

const char preamble[] =
        "Lumaril verse file: The Quran in English, Saheeh International translation.\r\n"
        "Taken from quran-json 3.1.2 by Risan Bagja Pradana (the npm package quran-json),\r\n"
        "licensed under the Creative Commons Attribution-ShareAlike 4.0 International\r\n"
        "licence (CC BY-SA 4.0): https://creativecommons.org/licenses/by-sa/4.0/\r\n"
        "Changes: converted from JSON to this plain-text layout by the Lumaril project;\r\n"
        "the wording of the translation is unchanged. This file is shared under the same\r\n"
        "licence. Each record below is one verse, led by its chapter and verse number.\r\n";

int fail(const QString &message)
{
    std::fprintf(stderr, "lumaril-make-verses: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: lumaril-make-verses quran_en.json quran.txt"));

    QFile input(args[1]);
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(args[1], input.errorString()));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(input.readAll(), &parseError);
    input.close();
    if (parseError.error != QJsonParseError::NoError || !doc.isArray())
        return fail(QStringLiteral("%1 is not the expected JSON array: %2")
                            .arg(args[1], parseError.errorString()));

    QByteArray out(preamble);
    int verses = 0;
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
            const QString translation = verse.value(QStringLiteral("translation")).toString();
            if (translation.isEmpty() || translation.contains(u'#'))
                return fail(QStringLiteral("verse %1:%2 is empty or holds \"#\"").arg(chapterId).arg(verseId));
            const auto bytes = lumaril::text::toWindows1252(translation);
            if (!bytes)
                return fail(QStringLiteral("verse %1:%2 holds a character outside Windows-1252")
                                    .arg(chapterId).arg(verseId));
            out += QStringLiteral("#%1.%2 ").arg(chapterId, 3, 10, QLatin1Char('0'))
                           .arg(verseId, 3, 10, QLatin1Char('0')).toLatin1();
            out += *bytes;
            out += "\r\n";
            ++verses;
        }
    }
    out += '#';
    if (verses == 0)
        return fail(QStringLiteral("%1 holds no verses").arg(args[1]));

    QSaveFile output(args[2]);
    if (!output.open(QIODevice::WriteOnly) || output.write(out) != out.size() || !output.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(args[2], output.errorString()));
    std::printf("lumaril-make-verses: wrote %d verses of %d chapters to %s\n", verses,
                expectedChapter - 1, qPrintable(args[2]));
    return 0;
}
