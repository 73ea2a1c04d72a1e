// Differential fuzzing of the searches: each input is a query (or Surat and Ayat texts) and a
// verse file; the real phrase search, lookup or record scanner runs on the file, and its
// outcome is compared with what a plain implementation here says it must be. Any difference,
// a file left open, or the busy panel left showing aborts, and libFuzzer keeps the input.
//
// Input layout:
//   byte 0, bits 0-1   0: phrase search, 1: lookup, 2: record scanner, 3: record scanner and
//                      phrase search, with the query and the file spelled from the pieces
//                      below (one piece for each of their bytes): the case classes that a
//                      byte-level matcher gets wrong first, other scripts, and bytes of
//                      Windows-1252 that are no UTF-8
//           bits 2-4   the file part is repeated 2^n times, so files reach past read blocks
//           bits 5-7   n * 9,000 "x" bytes go before the file part
//   then one line (up to "\n") for the query or scanner term, or two lines for Surat and
//   Ayat; what remains is the verse file.

#include "PhraseSearch.h"
#include "RecordScanner.h"
#include "SearchTerm.h"
#include "VerseFile.h"
#include "VerseLookup.h"
#include "WindowOperations.h"

#include "LookupReference.h"
#include "OpenFiles.h"
#include "Recorder.h"
#include "Reference.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace lumaril;

namespace {

constexpr qsizetype lengthLimit = 65535;
const QString crlf = QStringLiteral("\r\n");

// ---- The plain implementation ----------------------------------------------------------

// Strict UTF-8 decoding: the text, or nothing for bytes that are no UTF-8.
std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QString out;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p++;
        if (c < 0x80) {
            out += QChar(char16_t(c));
            continue;
        }
        int more;
        char32_t point;
        char32_t least;
        if ((c & 0xE0) == 0xC0) {
            more = 1, point = c & 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, point = c & 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, point = c & 0x07, least = 0x10000;
        } else {
            return std::nullopt;
        }
        for (int i = 0; i < more; ++i) {
            if (p == end || (*p & 0xC0) != 0x80)
                return std::nullopt;
            point = point << 6 | (*p++ & 0x3F);
        }
        if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return std::nullopt;
        // Not QString::fromUcs4(), which would drop a leading U+FEFF.
        if (point >= 0x10000)
            out += QChar(QChar::highSurrogate(point)), out += QChar(QChar::lowSurrogate(point));
        else
            out += QChar(char16_t(point));
    }
    return out;
}

QString decodeWindows1252(const QByteArray &bytes)
{
    static constexpr std::array<char16_t, 32> high = {
        u'€', 0x81, u'‚', u'ƒ', u'„', u'…', u'†', u'‡', u'ˆ', u'‰', u'Š', u'‹', u'Œ', 0x8D, u'Ž', 0x8F,
        0x90, u'‘', u'’', u'“', u'”', u'•', u'–', u'—', u'˜', u'™', u'š', u'›', u'œ', 0x9D, u'ž', u'Ÿ',
    };
    QString out;
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        out += QChar(u >= 0x80 && u < 0xA0 ? high[u - 0x80] : char16_t(u));
    }
    return out;
}

// A UTF-16 byte order mark starts the file, or most bytes in even or in odd places of its
// records are NUL: of the first 4096 bytes after the first mark, up to the last mark.
bool looksLikeUtf16(const QByteArray &file)
{
    if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF"))
        return true;
    const qsizetype first = file.indexOf('#');
    const qsizetype last = file.lastIndexOf('#');
    if (first < 0)
        return false;
    // (A length below zero would make mid() take all the rest.)
    const QByteArray records = last > first ? file.mid(first + 1, last - first - 1) : QByteArray();
    const qsizetype sample = std::min<qsizetype>(records.size(), 4096) / 2 * 2;
    if (sample < 16)
        return false;
    qsizetype even = 0, odd = 0;
    for (qsizetype i = 0; i < sample; i += 2) {
        even += records[i] == 0;
        odd += records[i + 1] == 0;
    }
    return even * 10 >= sample / 2 * 7 || odd * 10 >= sample / 2 * 7;
}

QString trimBlanks(QString s)
{
    while (s.startsWith(u' '))
        s.remove(0, 1);
    while (s.endsWith(u' '))
        s.chop(1);
    return s;
}

// The comparison rule's own plain reference (testsupport/Reference.h): decode, NFC, fold, and
// a small automaton for the optional letters.
bool contains(const QString &record, const QString &term)
{
    return referenceContains(term, record);
}

struct Outcome
{
    QString results;
    QStringList messages;
    bool flag = true;
};

// The records of the file, or the message that it has none.
struct Records
{
    QList<QByteArray> bytes;
    bool utf8 = true; // every record is UTF-8, so the whole file is read as UTF-8
    QString failure;
};

Records recordsOf(const QByteArray &file, const QString &path)
{
    Records r;
    const QString start = QStringLiteral("Error ! | Cannot search the verse file \"%1\": ").arg(path);
    if (looksLikeUtf16(file)) {
        r.failure = start + QStringLiteral("it is written in UTF-16, which this program cannot "
                                           "read; save it as UTF-8 or Windows-1252 text !");
        return r;
    }
    QList<QByteArray> pieces = file.split('#');
    if (pieces.size() < 2) {
        r.failure = start + QStringLiteral("it holds no \"#\" mark, so it has no verse records !");
        return r;
    }
    r.bytes = pieces.mid(1, pieces.size() - 2);
    r.utf8 = std::all_of(r.bytes.cbegin(), r.bytes.cend(),
                         [](const QByteArray &b) { return decodeUtf8(b).has_value(); });
    return r;
}

QString decoded(const QByteArray &bytes, bool utf8)
{
    return utf8 ? *decodeUtf8(bytes) : decodeWindows1252(bytes);
}

// One encoding for the whole file: UTF-8 when every record is UTF-8, else Windows-1252, also
// for a search that stops before the record that decides it.
Outcome expectedPhraseSearch(const QString &query, const QByteArray &file, const QString &path,
                             bool flag)
{
    Outcome o{QString(), {}, flag};
    if (query.isEmpty()) {
        o.messages << QStringLiteral("Error ! | Please enter some text !");
        return o;
    }
    const QString term = trimBlanks(query);
    const Records records = recordsOf(file, path);
    if (!records.failure.isEmpty()) {
        o.messages << records.failure;
        return o;
    }
    QString result;
    qsizetype matches = 0;
    for (const QByteArray &bytes : records.bytes) {
        const QString text = decoded(bytes, records.utf8);
        o.flag = contains(text, term);
        if (!o.flag)
            continue;
        ++matches;
        // A record is listed whole, but for one longer than the box's limit on its own: that
        // is cut where the box reaches the limit, never inside a character.
        result += crlf + crlf;
        QString shown = text;
        if (text.size() > lengthLimit) {
            shown = text.left(std::max<qsizetype>(0, lengthLimit - result.size()));
            if (!shown.isEmpty() && shown.back().isHighSurrogate())
                shown.chop(1);
        }
        result += shown;
        if (result.size() + crlf.size() >= lengthLimit) {
            o.results = result + crlf;
            o.messages = {QStringLiteral("Sorry ! | The result is too long !")};
            return o;
        }
    }
    o.results = matches ? result + crlf : QString();
    o.messages = {matches ? QStringLiteral("Results ! | %1 Results found !").arg(matches)
                          : QStringLiteral("Sorry ! | No Results found !")};
    return o;
}

Outcome expectedLookup(const QString &surat, const QString &ayat, const QByteArray &file,
                       const QString &path, bool flag)
{
    Outcome o{QString(), {}, flag};
    const auto s = keyPartFor(surat);
    const auto a = keyPartFor(ayat);
    if (!s || !a) {
        o.messages << QStringLiteral("Error ! | Please enter correct Surat and Ayat number !");
        return o;
    }
    const QString key = *s + u'.' + *a;
    const Records records = recordsOf(file, path);
    if (!records.failure.isEmpty()) {
        o.messages << records.failure;
        return o;
    }
    for (const QByteArray &bytes : records.bytes) {
        const QString text = decoded(bytes, records.utf8);
        o.flag = contains(text, key);
        if (o.flag) {
            o.results = crlf + crlf + text + crlf;
            o.messages = {QStringLiteral("Found ! | Ayat Found !")};
            return o;
        }
    }
    o.messages = {QStringLiteral("Sorry ! | Ayat not found !")};
    return o;
}

// ---- Running the real code ---------------------------------------------------------------

int g_file = -1;
QString g_path;

[[noreturn]] void mismatch(const char *what, const QString &actual, const QString &expected)
{
    std::fprintf(stderr, "MISMATCH in %s\n  actual:   %s\n  expected: %s\n", what,
                 qPrintable(actual), qPrintable(expected));
    std::abort();
}

QString show(const QString &s)
{
    QString out;
    for (const QChar c : s.left(300)) {
        if (c.unicode() < 0x20 || c.unicode() >= 0x7F)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        else
            out += c;
    }
    return out + (s.size() > 300 ? QStringLiteral("... (%1 characters)").arg(s.size()) : QString());
}

void compare(const char *what, const Recorder &ops, const Outcome &expected)
{
    const QStringList messages = ops.messages();
    if (messages != expected.messages)
        mismatch(what, show(messages.join(u'/')), show(expected.messages.join(u'/')));
    if (ops.results != expected.results)
        mismatch(what, show(ops.results), show(expected.results));
    if (ops.flag != expected.flag)
        mismatch(what, QString::number(ops.flag), QString::number(expected.flag));
    if (ops.busy || ops.messageOverBusyPanel)
        mismatch(what, QStringLiteral("the busy panel showing with the message"), QString());
}

void checkScanner(const QString &termText, const QByteArray &file)
{
    const SearchTerm term(termText);
    // Two scans, which must end alike: every record, and the records that hold the term.
    QStringList texts;
    QStringList found;
    std::array<RecordScanner::Stop, 2> stops{};
    for (const bool matches : {false, true}) {
        VerseFile verses(g_path);
        if (!verses.open())
            mismatch("scanner", QStringLiteral("cannot open: ") + verses.failureReason(), QString());
        RecordScanner scanner(verses, term);
        if (scanner.start()) {
            while (matches ? scanner.nextMatch() : scanner.nextRecord())
                (matches ? found : texts) << scanner.currentText();
        }
        stops[matches] = scanner.stop();
    }
    const Records records = recordsOf(file, g_path);
    RecordScanner::Stop stop = RecordScanner::Stop::EndOfFile;
    if (looksLikeUtf16(file))
        stop = RecordScanner::Stop::Utf16;
    else if (!records.failure.isEmpty())
        stop = RecordScanner::Stop::NoMark;
    for (const RecordScanner::Stop scanStop : stops) {
        if (scanStop != stop)
            mismatch("scanner stop", QString::number(int(scanStop)), QString::number(int(stop)));
    }
    QStringList expectedTexts;
    QStringList expectedFound;
    for (const QByteArray &r : records.bytes) {
        expectedTexts << decoded(r, records.utf8);
        if (contains(expectedTexts.last(), termText))
            expectedFound << expectedTexts.last();
    }
    if (texts != expectedTexts)
        mismatch("scanner records", show(texts.join(u'|')), show(expectedTexts.join(u'|')));
    if (found != expectedFound)
        mismatch("scanner matches", show(found.join(u'|')), show(expectedFound.join(u'|')));
}

struct Piece
{
    QByteArray bytes; // in the file
    QString text;     // in the query
};

// The pieces of mode 3. A raw byte outside UTF-8 in a record makes the file Windows-1252,
// where the UTF-8 pieces read as other letters.
const std::array<Piece, 80> &pieces()
{
    static const std::array<Piece, 80> all = [] {
        std::array<Piece, 80> out;
        const char *const utf8[] = {
                "#", " ", "\r\n", "a", "k", "K", "\u212A", "s", "S", "\u017F", "\u00DF",
                "\u1E9E", "ss", "\u03C3", "\u03A3", "\u03C2", "i", "I", "\u0130", "\u0131",
                "\u0432", "\u0412", "\u1C80", "\u0442", "\u1C84", "\u1C85", "\u00E5", "\u00C5",
                "\u212B", "\u03B8", "\u03D1", "\u03F4", "\u0398", "\U00010400", "\U00010428",
                "\u0644", "\u0627", "\u771F", "\u4E3B", "\u0986", "\u09B2", "\u03BC", "q", "x",
                // Arabic letters and the shapes that read as them, marks, and the small letters
                "\u0671", "\u0623", "\u0621", "\u0624", "\u0626", "\u0654", "\u0648",
                "\u064A", "\u0649", "\u06CC", "\u0629", "\u0647", "\u06C1", "\u0643",
                "\u06A9", "\u064E", "\u0651", "\u06E1", "\u0640", "\u0670", "\u06E5",
                "\u06E6",
                // letters written whole and in parts
                "\u09CB", "\u09C7", "\u09BE", "\u00E9", "e", "\u0301"};
        const char windows1252[] = {'\xE9', '\x8A', '\x9A', '\x9F', '\xFF', '\xB5', '\xC5', '\xD0'};
        std::size_t i = 0;
        for (const char *piece : utf8)
            out[i++] = {piece, QString::fromUtf8(piece)};
        for (const char byte : windows1252)
            out[i++] = {QByteArray(1, byte), decodeWindows1252(QByteArray(1, byte))};
        return out;
    }();
    return all;
}

QByteArray spelledBytes(const QByteArray &from)
{
    QByteArray out;
    for (const char c : from)
        out += pieces()[static_cast<unsigned char>(c) % pieces().size()].bytes;
    return out;
}

QString spelledText(const QByteArray &from)
{
    QString out;
    for (const char c : from)
        out += pieces()[static_cast<unsigned char>(c) % pieces().size()].text;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_file = ::memfd_create("quran.txt", MFD_CLOEXEC);
    if (g_file < 0) {
        std::perror("memfd_create");
        std::exit(1);
    }
    g_path = QStringLiteral("/proc/self/fd/%1").arg(g_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const unsigned layout = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const int mode = layout & 3;
    const qsizetype lines = mode == 1 ? 2 : 1;

    QStringList texts;
    qsizetype at = 0;
    for (qsizetype i = 0; i < lines; ++i) {
        const qsizetype end = rest.indexOf('\n', at);
        if (end < 0)
            return 0;
        // Decoded so that a leading U+FEFF stays, as it does when a user types or pastes one;
        // QString::fromUtf8() would drop it.
        QStringDecoder typed(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        texts << (mode == 3 ? spelledText(rest.mid(at, end - at))
                            : QString(typed(rest.mid(at, end - at))));
        at = end + 1;
    }
    const QByteArray part = mode == 3 ? spelledBytes(rest.mid(at)) : rest.mid(at);
    QByteArray file = QByteArray((layout >> 5) * 9000, 'x') + part.repeated(1 << ((layout >> 2) & 7));

    if (::ftruncate(g_file, 0) != 0 || ::pwrite(g_file, file.constData(), file.size(), 0) != file.size())
        std::abort();

    const int descriptors = openDescriptorCount();
    const bool initialFlag = size % 2;
    if (mode == 1) {
        // The boxes take three characters; longer texts are only read as numbers.
        for (const QString &t : texts) {
            if (readNumber(t).has_value() != keyPartFor(t).has_value())
                mismatch("readNumber", t, keyPartFor(t) ? QStringLiteral("a number") : QStringLiteral("no number"));
        }
        Recorder ops;
        ops.surat = texts[0].left(3);
        ops.ayat = texts[1].left(3);
        ops.flag = initialFlag;
        Command3_Click(ops, g_path);
        compare("lookup", ops, expectedLookup(ops.surat, ops.ayat, file, g_path, initialFlag));
    } else if (mode == 2) {
        checkScanner(texts[0], file);
    } else {
        if (mode == 3)
            checkScanner(texts[0], file);
        Recorder ops;
        ops.query = texts[0];
        ops.flag = initialFlag;
        Command1_Click(ops, g_path);
        compare("phrase search", ops, expectedPhraseSearch(texts[0], file, g_path, initialFlag));
    }
    if (openDescriptorCount() != descriptors)
        mismatch("descriptors", QStringLiteral("a file left open"), QString());
    return 0;
}
