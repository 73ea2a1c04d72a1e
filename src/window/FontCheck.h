#pragma once

#include <QFont>
#include <QMap>
#include <QString>
#include <QStringList>

namespace lumaril {

// Whether verses are drawn whole: each line of a verse laid out as the results box lays it
// out, in the face the box takes for it (ScriptFaces), holds no missing glyph (a box on
// screen), and each word in Arabic script comes from a single face (one that is not would be
// split apart, its letters unjoined). "lumaril --check-fonts" and the tests use it.
class FontCheck
{
public:
    FontCheck();

    // Lays out one record of a verse file as the results box would show it.
    void addVerse(QStringView record);

    [[nodiscard]] qint64 verses() const { return m_verses; }
    [[nodiscard]] qint64 faultyVerses() const { return m_faultyVerses; }
    // The faults found, one a line, naming the verse; only the first few are named.
    [[nodiscard]] const QStringList &faults() const { return m_faults; }
    // The families the glyphs came from, most glyphs first.
    [[nodiscard]] QStringList families() const;

private:
    void layOut(const QString &key, const QString &line, const QFont &font);
    void addFault(const QString &fault);

    QFont m_windowFont;
    qint64 m_verses = 0;
    qint64 m_faultyVerses = 0;
    bool m_verseFaulty = false;
    QStringList m_faults;
    QMap<QString, qint64> m_glyphs;
};

// Lays out every verse of the verse file. Returns why the file cannot be read, or nothing;
// checkVerseFile() says why in more words.
[[nodiscard]] QString checkVerseFonts(const QString &fileName, FontCheck &check);

} // namespace lumaril
