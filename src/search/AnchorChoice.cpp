#include "AnchorChoice.h"

#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <tuple>

namespace lumaril {

AnchorChoice chooseAnchors(const std::vector<const std::vector<QByteArray> *> &variants,
                           QByteArrayView sample)
{
    const qsizetype sampled = std::min(sample.size(), anchorSampleSize);
    std::array<qsizetype, 256> counts{};
    for (qsizetype p = 0; p < sampled; ++p)
        ++counts[static_cast<unsigned char>(sample[p])];
    // What a character is sought by: the last bytes of its variants, at most three of them.
    // Within a valid text only one variant can end at a given byte, so the byte places it.
    const qsizetype n = qsizetype(variants.size());
    std::vector<Anchor> anchors(n);
    std::vector<qsizetype> length(n, 0); // the variants' one length, or 0 when they differ
    std::vector<qsizetype> count(n, 0);
    std::map<const std::vector<QByteArray> *, qsizetype> firstOf;
    qsizetype rarest = -1;
    for (qsizetype k = 0; k < n; ++k) {
        const auto [first, added] = firstOf.try_emplace(variants[k], k);
        if (!added) {
            anchors[k] = anchors[first->second];
            if (anchors[k].index >= 0)
                anchors[k].index = k;
            length[k] = length[first->second];
            count[k] = count[first->second];
            continue;
        }
        std::vector<unsigned char> last;
        for (const QByteArray &v : *variants[k]) {
            const auto b = static_cast<unsigned char>(v.back());
            if (std::find(last.begin(), last.end(), b) == last.end())
                last.push_back(b);
        }
        const qsizetype one = variants[k]->front().size();
        if (std::all_of(variants[k]->begin(), variants[k]->end(),
                        [one](const QByteArray &v) { return v.size() == one; })) {
            length[k] = one;
        }
        if (last.size() > 3)
            continue;
        // Where they are one byte, or two that differ in one bit (as a letter's two cases in
        // ASCII), a byte b is one of them when (b | bit) == value: one comparison.
        text::AnchorBytes &bytes = anchors[k].bytes;
        anchors[k].index = k;
        for (std::size_t i = 0; i < 3; ++i) {
            bytes.bytes[i] = last[std::min(i, last.size() - 1)];
            if (i < last.size())
                count[k] += counts[bytes.bytes[i]];
        }
        const auto differ = static_cast<unsigned char>(bytes.bytes[0] ^ bytes.bytes[1]);
        bytes.oneComparison = last.size() == 1 || (last.size() == 2 && std::has_single_bit(differ));
        bytes.bit = last.size() == 2 ? differ : 0;
        bytes.value = static_cast<unsigned char>(bytes.bytes[0] | bytes.bit);
    }
    for (qsizetype k = 0; k < n; ++k) {
        if (anchors[k].index >= 0 && (rarest < 0 || count[k] < count[rarest]))
            rarest = k;
    }
    AnchorChoice choice;
    if (rarest < 0)
        return choice;
    // Pairs are counted around the rarest character, where a long term's rarest pairs are
    // likeliest: where in the sample each character's anchor bytes are, a bit for each place,
    // once for each character however often the term repeats it.
    const qsizetype lo = std::max<qsizetype>(0, rarest - 16);
    const qsizetype hi = std::min(n, rarest + 17);
    constexpr qsizetype words = anchorSampleSize / 64;
    using Places = std::array<quint64, words>;
    std::vector<Places> places;
    std::vector<qsizetype> slot(hi - lo, -1);
    std::map<const std::vector<QByteArray> *, qsizetype> slotOf;
    std::array<std::vector<qsizetype>, 256> slotsOfByte;
    for (qsizetype k = lo; k < hi; ++k) {
        if (anchors[k].index < 0)
            continue;
        const auto [known, added] = slotOf.try_emplace(variants[k], qsizetype(places.size()));
        slot[k - lo] = known->second;
        if (!added)
            continue;
        places.emplace_back();
        for (int i = 0; i < 3; ++i) {
            auto &of = slotsOfByte[anchors[k].bytes.bytes[i]];
            if (of.empty() || of.back() != slot[k - lo])
                of.push_back(slot[k - lo]);
        }
    }
    for (qsizetype p = 0; p < sampled; ++p) {
        for (const qsizetype s : slotsOfByte[static_cast<unsigned char>(sample[p])])
            places[s][p / 64] |= quint64(1) << (p % 64);
    }
    // How often the second anchor's bytes are the given distance after the first's.
    std::map<std::tuple<qsizetype, qsizetype, qsizetype>, qsizetype> counted;
    const auto together = [&](qsizetype i, qsizetype j, qsizetype distance) {
        const auto [known, added] = counted.try_emplace({slot[i - lo], slot[j - lo], distance}, 0);
        if (!added)
            return known->second;
        const Places &first = places[slot[i - lo]];
        const Places &second = places[slot[j - lo]];
        qsizetype &count = known->second;
        const qsizetype shift = distance / 64;
        const int r = int(distance % 64);
        for (qsizetype w = 0; w + shift < words; ++w) {
            if (first[w] == 0)
                continue;
            const qsizetype q = w + shift;
            quint64 later = second[q] >> r;
            if (r != 0 && q + 1 < words)
                later |= second[q + 1] << (64 - r);
            count += std::popcount(first[w] & later);
        }
        return count;
    };
    // The rarest character, or a pair of characters a fixed number of bytes apart with fewer
    // candidates in the sample: counted together, as letters common alone (the "l" and "h"
    // of "Allah") may be common together. A pair costs a little more to seek, and the
    // characters after the first, up to the second, must each have variants of one length.
    qsizetype best = count[rarest];
    choice.first = anchors[rarest];
    for (qsizetype i = lo; i < hi && best > 0; ++i) {
        qsizetype distance = 0;
        for (qsizetype j = i + 1;
             anchors[i].index >= 0 && j < hi && j <= i + 16 && length[j] != 0; ++j) {
            distance += length[j];
            if (anchors[j].index < 0)
                continue;
            const qsizetype pair = together(i, j, distance) + 1;
            if (pair < best) {
                best = pair;
                choice.first = anchors[i];
                choice.second = anchors[j];
                choice.distance = distance;
            }
        }
    }
    return choice;
}

} // namespace lumaril
