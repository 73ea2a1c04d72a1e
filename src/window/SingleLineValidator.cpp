#include "SingleLineValidator.h"

namespace lumaril {

namespace {

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

} // namespace

QValidator::State SingleLineValidator::validate(QString &input, int &pos) const
{
    qsizetype cut = 0;
    while (cut < input.size() && !isLineBreak(input[cut]))
        ++cut;
    if (cut == input.size())
        return Acceptable;
    // The box never holds a line break, so this one came with the text just put in, which
    // ends at the cursor: keep that text up to the break, and whatever followed the cursor.
    if (pos > cut) {
        input.remove(cut, pos - cut);
        pos = int(cut);
    } else {
        input.truncate(cut);
    }
    return Acceptable;
}

} // namespace lumaril
