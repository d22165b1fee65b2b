#include "core/util/CollatedOrder.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unicode/ucol.h>
#include <utility>

namespace {

// ICU itself, with the settings QCollator gives it for this locale and these options, so that the keys compare
// as QCollatorSortKey's do.
std::unique_ptr<UCollator, void (*)(UCollator *)> openCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = QLocale(QLocale::Chinese, QLocale::China).name().toLatin1();
    UCollator *collator = ucol_open(name.constData(), &status);
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    // Secondary strength: accents count, letter case does not.
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return {U_SUCCESS(status) ? collator : nullptr, [](UCollator *c) {
                if (c)
                    ucol_close(c);
            }};
}

// A key as ICU writes it: bytes compared unsigned, ending in the only zero byte.
struct KeyEntry {
    std::uint64_t leading; // eight of the key's bytes, big-endian, zero after the key's end
    std::uint32_t offset;  // of the key in the key array
    int text;              // the distinct text's number, in order of first appearance
};

std::uint64_t leadingBytes(const std::uint8_t *key)
{
    std::uint64_t packed = 0;
    for (int i = 0; i < 8; ++i) {
        packed |= std::uint64_t(key[i]) << (56 - 8 * i);
        if (key[i] == 0)
            break;
    }
    return packed;
}

// The key has ended within these bytes: two such keys with equal leading bytes are equal.
bool endsWithinLeading(std::uint64_t leading)
{
    for (int shift = 0; shift < 64; shift += 8) {
        if (((leading >> shift) & 0xff) == 0)
            return true;
    }
    return false;
}

class KeyArray
{
public:
    // Room for the keys of `texts` texts of a title's length, so that the array seldom moves.
    explicit KeyArray(std::size_t texts) { m_bytes.reserve(48 * texts); }
    std::uint32_t append(UCollator *collator, const QString &text)
    {
        const auto offset = std::uint32_t(m_bytes.size());
        // Room for the common case; a longer key asks again with the length ICU reported.
        const int guess = int(2 * text.size()) + 16;
        m_bytes.resize(offset + std::size_t(guess));
        int length = collator ? ucol_getSortKey(collator, reinterpret_cast<const UChar *>(text.constData()),
                                                int(text.size()), m_bytes.data() + offset, guess)
                              : 0;
        if (length > guess) {
            m_bytes.resize(offset + std::size_t(length));
            length = ucol_getSortKey(collator, reinterpret_cast<const UChar *>(text.constData()), int(text.size()),
                                     m_bytes.data() + offset, length);
        }
        if (length <= 0) { // no collator: every text is equal
            m_bytes.resize(offset + 1);
            m_bytes[offset] = 0;
            length = 1;
        }
        m_bytes.resize(offset + std::size_t(length));
        return offset;
    }
    const std::uint8_t *at(std::uint32_t offset) const { return m_bytes.data() + offset; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// Sorts by the eight bytes in `leading`, keeping the order of entries whose bytes are equal. Long runs go through
// a radix sort, a byte per pass (passes where every entry has the same byte are skipped), so the cost grows with
// the entries, not with their logarithm too.
void sortByLeading(KeyEntry *entries, std::size_t count, KeyEntry *buffer)
{
    constexpr std::size_t kRadixFrom = 256;
    if (count < kRadixFrom) {
        // Entries come in order of their text numbers, so comparing those keeps the order of equal bytes.
        std::sort(entries, entries + count, [](const KeyEntry &a, const KeyEntry &b) {
            return a.leading != b.leading ? a.leading < b.leading : a.text < b.text;
        });
        return;
    }
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t byte = 0; byte < 8; ++byte)
            ++counts[byte][(entries[i].leading >> (8 * byte)) & 0xff];
    }
    KeyEntry *from = entries;
    KeyEntry *to = buffer;
    for (std::size_t byte = 0; byte < 8; ++byte) {
        std::array<std::uint32_t, 256> &next = counts[byte];
        if (next[(from[0].leading >> (8 * byte)) & 0xff] == count)
            continue;
        std::uint32_t sum = 0;
        for (std::uint32_t &n : next)
            sum += std::exchange(n, sum);
        for (std::size_t i = 0; i < count; ++i)
            to[next[(from[i].leading >> (8 * byte)) & 0xff]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries)
        std::copy(from, from + count, entries);
}

// Sorts by the keys from byte `depth` on, `leading` holding the key's bytes there. Entries whose bytes are equal
// and whose keys go on are sorted again by their next eight bytes, read from the key array once per entry and
// level instead of once per comparison.
void sortByKeys(KeyEntry *entries, std::size_t count, std::size_t depth, const KeyArray &keys, KeyEntry *buffer)
{
    sortByLeading(entries, count, buffer);
    for (std::size_t first = 0; first < count;) {
        std::size_t end = first + 1;
        while (end < count && entries[end].leading == entries[first].leading)
            ++end;
        if (end - first > 1 && !endsWithinLeading(entries[first].leading)) {
            for (std::size_t i = first; i < end; ++i)
                entries[i].leading = leadingBytes(keys.at(entries[i].offset + std::uint32_t(depth + 8)));
            sortByKeys(entries + first, end - first, depth + 8, keys, buffer);
        }
        first = end;
    }
}

} // namespace

std::vector<int> CollatedOrder(int count, const std::function<QString(int row)> &textOf, bool descending)
{
    const auto collator = openCollator();
    // Rows sharing one text (a status, a type, a folder) mostly share its storage too: such a text is keyed once.
    // Texts stored apart are keyed apart and find their equals when sorted, so a column of distinct titles costs
    // no lookups by text.
    struct SeenText {
        QString text; // held, so that no other text is stored where it lies while it is here
        int number = -1;
    };
    constexpr int kSeenBits = 10;
    std::vector<SeenText> seen(std::size_t(1) << kSeenBits);
    std::vector<int> textOfRow(std::size_t(std::max(count, 0)));
    std::vector<KeyEntry> entries;
    KeyArray keys(std::size_t(std::max(count, 0)));
    for (int row = 0; row < count; ++row) {
        const QString text = textOf(row);
        const std::uint64_t address = reinterpret_cast<std::uintptr_t>(text.constData());
        // Fibonacci hashing: the address's bits spread over the places.
        SeenText &same = seen[(address * 0x9E3779B97F4A7C15u) >> (64 - kSeenBits)];
        if (same.number < 0 || same.text.constData() != text.constData() || same.text.size() != text.size()) {
            const std::uint32_t offset = keys.append(collator.get(), text);
            same = {text, int(entries.size())};
            entries.push_back({leadingBytes(keys.at(offset)), offset, int(entries.size())});
        }
        textOfRow[std::size_t(row)] = same.number;
    }

    std::vector<KeyEntry> buffer(entries.size());
    sortByKeys(entries.data(), entries.size(), 0, keys, buffer.data());

    // Texts that collate equal share a rank, so the rows' placing below keeps their order.
    std::vector<int> rankOfText(entries.size());
    int rank = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i == 0 || std::strcmp(reinterpret_cast<const char *>(keys.at(entries[i].offset)),
                                  reinterpret_cast<const char *>(keys.at(entries[i - 1].offset))) != 0)
            ++rank;
        rankOfText[std::size_t(entries[i].text)] = rank;
    }
    const std::size_t ranks = std::size_t(rank + 1);
    std::vector<int> start(ranks + 1, 0);
    for (const int text : textOfRow) {
        const int r = rankOfText[std::size_t(text)];
        ++start[descending ? ranks - 1 - std::size_t(r) : std::size_t(r)];
    }
    int sum = 0;
    for (int &s : start) {
        const int n = s;
        s = sum;
        sum += n;
    }
    std::vector<int> order(textOfRow.size());
    for (std::size_t row = 0; row < textOfRow.size(); ++row) {
        const int r = rankOfText[std::size_t(textOfRow[row])];
        order[std::size_t(start[descending ? ranks - 1 - std::size_t(r) : std::size_t(r)]++)] = int(row);
    }
    return order;
}
