#pragma once

#include <QFont>
#include <QStringView>

namespace lumaril {

// The face a text is drawn in, chosen by the script of its letters.
//
// Arial has no Arabic, Bengali or Chinese letters, and the fonts a desktop falls back to draw
// an Arabic word in pieces from several faces, split apart and with its marks off its letters.
// Text in those scripts is drawn in one face made for it instead; all other text in the
// window's own font, unchanged.
//
// Only the first lookLength characters of a text are read, so that a results box set again
// after every match of a long search, or a huge paste into the query box, costs little. Among
// them the script with the most letters decides; Arabic-script text that holds a letter of
// Urdu's own takes the Urdu face, in the style Urdu readers expect.
class ScriptFaces
{
public:
    enum class Face { Window, Arabic, Urdu, Bengali, Chinese };

    static constexpr qsizetype lookLength = 4096;

    // Reads on into a text after what was read of it before, up to lookLength characters in all.
    void read(QStringView text);
    void restart();
    [[nodiscard]] bool hasReadEnough() const { return m_read >= lookLength; }
    [[nodiscard]] Face face() const;

    [[nodiscard]] static Face faceFor(QStringView text);
    // The family of the face on this platform; empty for the window's own font.
    [[nodiscard]] static QString family(Face face);
    // The window's font for a control, or the face in its place at the same size and weight.
    [[nodiscard]] static QFont font(Face face, const QFont &windowFont);
    // The same for text to be read at length: the Arabic-script faces a third larger.
    [[nodiscard]] static QFont readingFont(Face face, const QFont &windowFont);

private:
    qsizetype m_read = 0;
    qsizetype m_arabic = 0;
    qsizetype m_bengali = 0;
    qsizetype m_han = 0;
    bool m_urdu = false;
};

// Adds the faces that come with the program, the .ttf and .otf files in the "fonts" folder
// beside it, for this program alone. Windows has no face for Quranic Arabic or for Urdu, so
// the downloads for Windows bring them; on Linux there is no such folder and the system's
// fonts serve.
void addProgramFonts();

} // namespace lumaril
