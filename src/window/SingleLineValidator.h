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
class SingleLineValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override;
};

} // namespace lumaril
