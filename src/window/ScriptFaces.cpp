#include "ScriptFaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

#include <algorithm>

namespace lumaril {

namespace {

// Letters Urdu writes and Arabic does not: heh goal, yeh barree, noon ghunna, the retroflex
// tteh, ddal and rreh, and those it shares with Persian (keheh, farsi yeh, peh, tcheh, gaf,
// jeh), which nearly every verse of Urdu holds.
bool isUrduLetter(char32_t c)
{
    switch (c) {
    case U'\u06C1':
    case U'\u06D2':
    case U'\u06BA':
    case U'\u0679':
    case U'\u0688':
    case U'\u0691':
    case U'\u06A9':
    case U'\u06CC':
    case U'\u067E':
    case U'\u0686':
    case U'\u06AF':
    case U'\u0698':
        return true;
    default:
        return false;
    }
}

} // namespace

void ScriptFaces::read(QStringView text)
{
    const qsizetype end = std::min(text.size(), lookLength - m_read);
    for (qsizetype i = 0; i < end; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::script(c)) {
        case QChar::Script_Arabic:
            ++m_arabic;
            m_urdu = m_urdu || isUrduLetter(c);
            break;
        case QChar::Script_Bengali:
            ++m_bengali;
            break;
        case QChar::Script_Han:
            ++m_han;
            break;
        default:
            break;
        }
    }
    m_read += end;
}

void ScriptFaces::restart()
{
    *this = ScriptFaces();
}

ScriptFaces::Face ScriptFaces::face() const
{
    const qsizetype most = std::max({m_arabic, m_bengali, m_han});
    if (most == 0)
        return Face::Window;
    if (most == m_arabic)
        return m_urdu ? Face::Urdu : Face::Arabic;
    return most == m_bengali ? Face::Bengali : Face::Chinese;
}

ScriptFaces::Face ScriptFaces::faceFor(QStringView text)
{
    ScriptFaces faces;
    faces.read(text);
    return faces.face();
}

QString ScriptFaces::family(Face face)
{
    switch (face) {
    case Face::Window:
        break;
    // "Amiri Quran" would suit the Uthmani text too, but it lacks one of its marks (U+065E).
    case Face::Arabic:
        return QStringLiteral("Amiri");
    case Face::Urdu:
        return QStringLiteral("Noto Nastaliq Urdu");
#ifdef Q_OS_WIN
    // Every Windows 10 and later has these two.
    case Face::Bengali:
        return QStringLiteral("Nirmala UI");
    case Face::Chinese:
        return QStringLiteral("Microsoft YaHei");
#else
    case Face::Bengali:
        return QStringLiteral("Noto Sans Bengali");
    case Face::Chinese:
        return QStringLiteral("Noto Sans CJK SC");
#endif
    }
    return {};
}

QFont ScriptFaces::font(Face face, const QFont &windowFont)
{
    if (face == Face::Window)
        return windowFont;
    QFont font = windowFont;
    // The window's face next: the verse keys and any Latin the face lacks look as elsewhere.
    font.setFamilies({family(face), windowFont.family()});
    return font;
}

QFont ScriptFaces::readingFont(Face face, const QFont &windowFont)
{
    QFont font = ScriptFaces::font(face, windowFont);
    // Their letters are small for their size: at Arial's size the Quranic marks and the dots
    // of Nastaliq run together.
    if (face == Face::Arabic || face == Face::Urdu)
        font.setPointSizeF(windowFont.pointSizeF() * 4 / 3);
    return font;
}

void addProgramFonts()
{
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    const QStringList files = folder.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")},
                                               QDir::Files, QDir::Name);
    for (const QString &file : files)
        QFontDatabase::addApplicationFont(folder.filePath(file));
}

} // namespace lumaril
