#pragma once

#include <QtGlobal>

namespace lumaril {

// Follows the bytes of a verse file as they come in, in pieces of any size, from its first
// record that is not ASCII, to tell whether the file is Windows-1252: it is once an invalid
// UTF-8 sequence has turned up with a "#" after it, closing a record around it. A sequence cut
// by the end of one piece is completed from the next.
class Windows1252Check
{
public:
    // Takes the next piece; true once the pieces so far show the file to be Windows-1252.
    [[nodiscard]] bool showsWindows1252(const char *data, qsizetype size);

private:
    bool m_invalid = false;
    char m_cut[4] = {};
    qsizetype m_cutSize = 0;
};

} // namespace lumaril
