#include "SingleLineValidator.h"

#include <QTextBoundaryFinder>

#include <algorithm>

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

void cutAtLineBreak(QString &input, int &pos)
{
    qsizetype cut = 0;
    while (cut < input.size() && !isLineBreak(input[cut]))
        ++cut;
    if (cut == input.size())
        return;
    // The box never holds a line break, so this one came with the text just put in, which
    // ends at the cursor: keep that text up to the break, and whatever followed the cursor.
    if (pos > cut) {
        input.remove(cut, pos - cut);
        pos = int(cut);
    } else {
        input.truncate(cut);
    }
}

void keepCharacters(QString &input, int &pos, int maxCharacters)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, input);
    QList<qsizetype> bounds{0};
    while (finder.toNextBoundary() != -1)
        bounds << finder.position();
    const qsizetype excess = bounds.size() - 1 - maxCharacters;
    if (excess <= 0)
        return;
    // The box held no more than it may, so the excess is the end of the text just put in,
    // which ends at the cursor.
    qsizetype atCursor = 0;
    while (atCursor + 1 < bounds.size() && bounds[atCursor + 1] <= pos)
        ++atCursor;
    if (atCursor >= excess) {
        const qsizetype from = bounds[atCursor - excess];
        input.remove(from, bounds[atCursor] - from);
        pos = int(from);
    } else {
        // Joined to what stood before it, the text put in may have merged characters: then
        // the box keeps its first ones.
        input.truncate(bounds[maxCharacters]);
        pos = std::min(pos, int(input.size()));
    }
}

} // namespace

SingleLineValidator::SingleLineValidator(int maxCharacters, QObject *parent)
    : QValidator(parent)
    , m_maxCharacters(maxCharacters)
{
}

QValidator::State SingleLineValidator::validate(QString &input, int &pos) const
{
    cutAtLineBreak(input, pos);
    if (m_maxCharacters > 0)
        keepCharacters(input, pos, m_maxCharacters);
    return Acceptable;
}

} // namespace lumaril
