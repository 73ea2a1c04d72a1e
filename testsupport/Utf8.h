#pragma once

// The search's own UTF-8 check and decoding (TextCoding.h) in the shapes the tests want them:
// a yes or no, and a whole string. Its user links a search library of its own.

#include "TextCoding.h"

#include <QByteArrayView>
#include <QString>

// Whether the bytes are strict UTF-8 throughout, as the search checks them.
inline bool isValidUtf8(QByteArrayView bytes)
{
    return lumaril::text::checkUtf8(bytes).validSize == bytes.size();
}

// The text of UTF-8 bytes as the search decodes them (text::appendUtf8).
inline QString decodeUtf8(QByteArrayView bytes)
{
    QString out;
    lumaril::text::appendUtf8(out, bytes);
    return out;
}
