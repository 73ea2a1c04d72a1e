#include "RareLetters.h"

#include "TextCoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <map>
#include <tuple>
#include <utility>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__SSE2__) || defined(__ARM_NEON))
#include "ByteVector.h"
#define LUMARIL_HAVE_VECTORS
#endif

namespace lumaril {

namespace {

#ifdef LUMARIL_HAVE_VECTORS
// The register that every processor of the build has: SSE2 on x86-64, NEON on arm64.
using BaseVector = text::ByteVector<16>;
#endif

// Bits set in x, one step each: the processor may have no instruction for it, and few are
// set where it is used.
qsizetype bitsSet(quint64 x)
{
    qsizetype n = 0;
    for (; x != 0; x &= x - 1)
        ++n;
    return n;
}

// The places in the sample whose byte is one of a rare letter's, a bit each, and how many.
struct Places
{
    static_assert(rareLetterSampleSize % 64 == 0);
    std::array<quint64, rareLetterSampleSize / 64> bits{};
    qsizetype count = 0;
};

void findPlaces(const RareLetter &letter, QByteArrayView sample, Places &out)
{
    qsizetype p = 0;
#ifdef LUMARIL_HAVE_VECTORS
    // Sixty-four bytes a step, their bits put together before they are stored.
    const auto mark = [&](const auto &holds) {
        for (; p + 64 <= sample.size(); p += 64) {
            quint64 word = 0;
            for (int i = 0; i < 4; ++i)
                word |= BaseVector::bits(holds(BaseVector::load(sample.data() + p + 16 * i))) << (16 * i);
            out.bits[std::size_t(p / 64)] = word;
            out.count += std::popcount(word);
        }
    };
    if (letter.bytes.oneComparison)
        mark(text::OneComparison<BaseVector>(letter.bytes));
    else
        mark(text::AnyOfThree<BaseVector>(letter.bytes));
#endif
    for (; p < sample.size(); ++p) {
        if (letter.holds(static_cast<unsigned char>(sample[p]))) {
            out.bits[std::size_t(p / 64)] |= quint64(1) << (p % 64);
            ++out.count;
        }
    }
}

// The 64 places from the one at `from` on, none outside the sample.
quint64 placesFrom(const Places &places, qsizetype from)
{
    const qsizetype word = (from >= 0 ? from : from - 63) / 64;
    const int shift = int(from - 64 * word);
    const auto at = [&](qsizetype w) {
        return w >= 0 && w < qsizetype(places.bits.size()) ? places.bits[std::size_t(w)] : 0;
    };
    return shift == 0 ? at(word) : at(word) >> shift | at(word + 1) << (64 - shift);
}

} // namespace

qsizetype RareLetters::nextCandidate(const char *data, qsizetype from, qsizetype to,
                                      qsizetype end, bool orNonAscii) const
{
    const bool pair = second.index >= 0;
    const text::CandidateTest wanted{first.bytes, second.bytes, distance, pair, orOneByteLater, orMarkMayFollow,
                              plainLow, plainSpan};
    qsizetype p = from;
#ifdef LUMARIL_HAVE_VECTORS
    const qsizetype reach = std::max<qsizetype>(distance + orOneByteLater, orMarkMayFollow);
    const qsizetype stop = pair ? std::min(to, end - reach) : to;
    bool found = false;
#ifdef LUMARIL_CANDIDATES_WITH_AVX2
    const text::Vectors vectors = text::widestVectors();
    if (vectors == text::Vectors::Avx512) {
        p = text::findCandidateWithAvx512(data, p, stop, wanted, orNonAscii, found);
    }
    if (vectors >= text::Vectors::Avx2 && !found) {
        p = text::findCandidateWithAvx2(data, p, stop, wanted, orNonAscii, found);
    }
#endif
    if (!found) {
        p = text::findCandidate<BaseVector>(data, p, stop, wanted, orNonAscii, found);
    }
    if (found)
        return p;
#endif
    // A place past end may hold a rare letter's byte, for all that is known.
    const auto holdsAt = [&](const RareLetter &letter, qsizetype q) {
        return q >= end || letter.holds(static_cast<unsigned char>(data[q]));
    };
    for (; p < to; ++p) {
        if (orNonAscii && static_cast<unsigned char>(data[p]) >= 0x80)
            return p;
        if (!first.holds(static_cast<unsigned char>(data[p])))
            continue;
        const auto odd = [&](qsizetype q) {
            const auto b = static_cast<unsigned char>(data[q]);
            return q >= end || (b >= 0x80 && static_cast<unsigned char>(b - plainLow) > plainSpan);
        };
        if (pair && !holdsAt(second, p + distance) && !(orOneByteLater && holdsAt(second, p + distance + 1))
            && !(orMarkMayFollow && odd(p + 1))) {
            continue;
        }
        return p;
    }
    return to;
}

RareLetters chooseRareLetters(const std::vector<const Variants *> &variants, QByteArrayView sample,
                           qsizetype pairReach)
{
    sample.truncate(std::min(sample.size(), rareLetterSampleSize));
    // What a character is sought by: the last bytes of its variants, at most three of them.
    // Within a valid text only one variant can end at a given byte, so the byte places it.
    const qsizetype n = qsizetype(variants.size());
    std::vector<RareLetter> byLetter(n);
    // The shortest and the longest of each character's variants.
    std::vector<std::pair<qsizetype, qsizetype>> lengths(n);
    // Where each character's bytes are in the sample, for the first few distinct characters:
    // a long term has rare enough ones among them, and looking at each costs a pass over the
    // sample.
    constexpr std::size_t placesLimit = 64;
    std::vector<Places> places;
    places.reserve(std::min(std::size_t(n), placesLimit));
    std::vector<std::size_t> placesIndex(n);
    // How many places a character sought has in the sample.
    const auto count = [&](qsizetype k) { return places[placesIndex[k]].count; };
    std::map<const Variants *, qsizetype> firstOf;
    qsizetype rarest = -1;
    for (qsizetype k = 0; k < n; ++k) {
        const auto [first, added] = firstOf.try_emplace(variants[k], k);
        if (!added) {
            byLetter[k] = byLetter[first->second];
            if (byLetter[k].index >= 0)
                byLetter[k].index = k;
            lengths[k] = lengths[first->second];
            placesIndex[k] = placesIndex[first->second];
            continue;
        }
        std::vector<unsigned char> last;
        for (const Variant &v : *variants[k]) {
            const unsigned char b = v.byte(v.size - 1);
            if (std::find(last.begin(), last.end(), b) == last.end())
                last.push_back(b);
        }
        if (last.empty())
            continue;
        const auto [lo, hi] = std::minmax_element(variants[k]->begin(), variants[k]->end(),
                                                  [](const Variant &a, const Variant &b) {
                                                      return a.size < b.size;
                                                  });
        lengths[k] = {lo->size, hi->size};
        if (last.size() > 3 || places.size() == placesLimit)
            continue;
        // Where they are one byte, or two that differ in one bit (as a letter's two cases in
        // ASCII), a byte b is one of them when (b | bit) == value: one comparison.
        text::LetterBytes &bytes = byLetter[k].bytes;
        byLetter[k].index = k;
        for (std::size_t i = 0; i < 3; ++i)
            bytes.bytes[i] = last[std::min(i, last.size() - 1)];
        const auto differ = static_cast<unsigned char>(bytes.bytes[0] ^ bytes.bytes[1]);
        bytes.oneComparison = last.size() == 1 || (last.size() == 2 && std::has_single_bit(differ));
        bytes.bit = last.size() == 2 ? differ : 0;
        bytes.value = static_cast<unsigned char>(bytes.bytes[0] | bytes.bit);
        placesIndex[k] = places.size();
        findPlaces(byLetter[k], sample, places.emplace_back());
    }
    // The character whose bytes the sample holds fewest times,
    for (qsizetype k = 0; k < n; ++k) {
        if (byLetter[k].index >= 0 && (rarest < 0 || count(k) < count(rarest)))
            rarest = k;
    }
    RareLetters choice;
    if (rarest < 0)
        return choice;
    // or a pair of it and a character a fixed number of bytes before or after it, with no more
    // candidates in the sample, counted together: letters common alone (the "l" and "h" of
    // "Allah") may be common together. Seeking a pair costs about what seeking one character
    // does, so a pair is chosen when the sample cannot tell them apart, as when it holds
    // neither, and then the pair with the rarer second character. The characters after the
    // first, up to the second, may put it at two distances, no more: one of them may have
    // variants of two lengths that differ by one byte.
    choice.first = byLetter[rarest];
    choice.inSample = count(rarest);
    if (pairReach == 0)
        return choice;
    // A second character found at every byte of the sample would add nothing.
    // At equal counts, one distance is sought with one comparison fewer.
    std::tuple<qsizetype, qsizetype, bool> best{count(rarest), sample.size(), false};
    const auto consider = [&](qsizetype other, qsizetype offset, bool orOneByteLater) {
        // Sought at two places, a second rare letter of three bytes would cost more than it saves.
        const RareLetter &second = offset > 0 ? byLetter[other] : byLetter[rarest];
        if (byLetter[other].index < 0 || (orOneByteLater && !second.bytes.oneComparison))
            return;
        const Places &firstPlaces = places[placesIndex[rarest]];
        const Places &otherPlaces = places[placesIndex[other]];
        const qsizetype further = offset > 0 ? offset + 1 : offset - 1;
        qsizetype together = 0;
        for (qsizetype w = 0; w < qsizetype(firstPlaces.bits.size()); ++w) {
            if (firstPlaces.bits[std::size_t(w)] == 0)
                continue;
            const quint64 at = placesFrom(otherPlaces, 64 * w + offset)
                    | (orOneByteLater ? placesFrom(otherPlaces, 64 * w + further) : 0);
            together += bitsSet(firstPlaces.bits[std::size_t(w)] & at);
        }
        if (std::tuple(together, count(other), orOneByteLater) >= best)
            return;
        best = {together, count(other), orOneByteLater};
        choice.inSample = together;
        choice.first = offset > 0 ? byLetter[rarest] : byLetter[other];
        choice.second = second;
        choice.distance = std::abs(offset);
        choice.orOneByteLater = orOneByteLater;
    };
    // The lengths of the characters from the one after the first rare letter up to the second.
    qsizetype distance = 0, spread = 0;
    const auto add = [&](qsizetype k) {
        distance += lengths[k].first;
        spread += lengths[k].second - lengths[k].first;
        return spread <= 1;
    };
    for (qsizetype j = rarest + 1; j < std::min(n, rarest + 1 + pairReach) && add(j); ++j)
        consider(j, distance, spread == 1);
    distance = spread = 0;
    for (qsizetype i = rarest - 1; i >= std::max<qsizetype>(0, rarest - pairReach) && add(i + 1); --i)
        consider(i, -distance, spread == 1);
    return choice;
}

} // namespace lumaril
