#pragma once

#include <QValidator>

namespace lumaril {

// Keeps a single-line box on one line. Qt's line edit takes a pasted line break and shows it
// as a blank, so the box would hold text that is not what it shows ("mercy" and a line break
// finds nothing). A single-line edit box on Windows keeps the pasted text up to its first line
// break instead, and so does this, however the text came in: typed, pasted by keyboard, menu
// or middle click, dropped, or committed by an input method.
//
// Line breaks are the characters after which Unicode always breaks a line: LF, CR, VT, FF,
// NEL, LINE SEPARATOR and PARAGRAPH SEPARATOR.
//
// It also keeps the box to a number of characters, if given one, the way a limited box does:
// of the text just put in, what does not fit is left out. A character is what the user sees
// as one (a grapheme cluster): a letter with its accents, an emoji, a flag. Counted in UTF-16
// units, as Qt's own limit counts, or in code points, a box could keep half of one.
class SingleLineValidator : public QValidator
{
public:
    // maxCharacters 0: no limit.
    explicit SingleLineValidator(int maxCharacters, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

private:
    int m_maxCharacters;
};

} // namespace lumaril
