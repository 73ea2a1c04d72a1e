#include "FontCheck.h"

#include "ControlTable.h"
#include "RecordScanner.h"
#include "ScriptFaces.h"
#include "VerseFile.h"
#include "WidgetOperations.h"

#include <QGlyphRun>
#include <QSet>
#include <QTextLayout>

#include <algorithm>
#include <cstring>

namespace lumaril {

namespace {

constexpr qsizetype namedFaults = 20;

// What an Arabic word is made of, and joined across: its letters, the marks on them (which
// Unicode counts as no script of their own), the joiners and the tatweel.
bool isArabicWordPart(QChar c)
{
    return c.script() == QChar::Script_Arabic || c.script() == QChar::Script_Inherited
            || c == u'\u0640';
}

bool isArabicScript(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.script() == QChar::Script_Arabic; });
}

// A run that no font could draw comes from no font file: Qt draws it as boxes, from a raw
// font with no tables and no family, whose familyName() it does not guard. Its glyphs count
// as missing, under no family.
QString familyOf(const QGlyphRun &run, bool &missing)
{
    const QRawFont font = run.rawFont();
    if (!font.isValid() || font.fontTable("head").isEmpty()) {
        missing = true;
        return {};
    }
    return font.familyName();
}

// The families of the glyphs drawn for the characters from..from+length of a laid-out text;
// `missing` is set where one of them has no glyph in its font.
QSet<QString> familiesOf(const QTextLayout &layout, qsizetype from, qsizetype length, bool &missing)
{
    QSet<QString> families;
    for (const QGlyphRun &run : layout.glyphRuns(int(from), int(length))) {
        const QList<quint32> glyphs = run.glyphIndexes();
        if (glyphs.isEmpty())
            continue;
        families.insert(familyOf(run, missing));
        missing = missing || glyphs.contains(0);
    }
    return families;
}

QString codePoint(char32_t c)
{
    const QString hex = QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
    return QStringLiteral("U+%1 (%2)").arg(hex, QString::fromUcs4(&c, 1));
}

} // namespace

FontCheck::FontCheck()
{
    for (const ControlRow &row : controlTable()) {
        if (std::strcmp(row.name, "Text1") == 0)
            m_windowFont = controlFont(row);
    }
}

void FontCheck::addVerse(QStringView record)
{
    const QString shown = WidgetOperations::displayText(record);
    if (shown.trimmed().isEmpty())
        return;
    ++m_verses;
    m_verseFaulty = false;
    const QFont font = ScriptFaces::readingFont(ScriptFaces::faceFor(shown), m_windowFont);
    const QString key = shown.trimmed().section(u' ', 0, 0);
    for (const QString &line : shown.split(u'\n', Qt::SkipEmptyParts))
        layOut(key, line, font);
    if (m_verseFaulty)
        ++m_faultyVerses;
}

void FontCheck::layOut(const QString &key, const QString &line, const QFont &font)
{
    QTextLayout layout(line, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();

    bool missing = false;
    QSet<QString> families;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QString family = familyOf(run, missing);
        m_glyphs[family] += glyphs.size();
        families.insert(family);
        missing = missing || glyphs.contains(0);
    }
    if (missing) {
        m_verseFaulty = true;
        // Only with a fault to name is the line looked at character by character.
        for (qsizetype i = 0; i < line.size() && m_faults.size() < namedFaults;) {
            const qsizetype length = line[i].isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
            bool none = false;
            familiesOf(layout, i, length, none);
            if (none) {
                const char32_t c = QStringView(line).sliced(i, length).toUcs4().first();
                addFault(QStringLiteral("%1: %2 has no glyph").arg(key, codePoint(c)));
            }
            i += length;
        }
    }
    if (families.size() < 2 || !isArabicScript(line))
        return;
    for (qsizetype start = 0; start < line.size();) {
        qsizetype end = start;
        while (end < line.size() && isArabicWordPart(line[end]))
            ++end;
        const QStringView word = QStringView(line).sliced(start, end - start);
        bool none = false;
        if (isArabicScript(word)) {
            QStringList faces = familiesOf(layout, start, word.size(), none).values();
            if (faces.size() > 1) {
                m_verseFaulty = true;
                faces.sort();
                addFault(QStringLiteral("%1: the word %2 is drawn in pieces from %3")
                                 .arg(key, word.toString(), faces.join(QStringLiteral(", "))));
            }
        }
        start = std::max(end, start + 1);
    }
}

void FontCheck::addFault(const QString &fault)
{
    if (m_faults.size() < namedFaults)
        m_faults.append(fault);
}

QStringList FontCheck::families() const
{
    QStringList families = m_glyphs.keys();
    std::stable_sort(families.begin(), families.end(), [this](const QString &a, const QString &b) {
        return m_glyphs.value(a) > m_glyphs.value(b);
    });
    return families;
}

QString checkVerseFonts(const QString &fileName, FontCheck &check)
{
    VerseFile file(fileName);
    if (!file.open())
        return QStringLiteral("%1: %2").arg(file.fullPath(), file.failureReason());
    const SearchTerm anything{QString()};
    RecordScanner scanner(file, anything);
    if (scanner.start()) {
        while (scanner.nextRecord())
            check.addVerse(scanner.currentText());
    }
    if (scanner.stop() != RecordScanner::Stop::EndOfFile)
        return QStringLiteral("%1: cannot be read as a verse file").arg(file.fullPath());
    return {};
}

} // namespace lumaril
