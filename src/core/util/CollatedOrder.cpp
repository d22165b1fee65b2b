#include "core/util/CollatedOrder.h"

#include <QLocale>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unicode/ucol.h>

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
    std::uint64_t leading; // the first eight bytes, big-endian, zero after the key's end
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

// The key has ended within its leading bytes: two such keys with equal leading bytes are equal.
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
    std::vector<SeenText> seen(1024);
    std::vector<int> textOfRow(std::size_t(std::max(count, 0)));
    std::vector<KeyEntry> entries;
    KeyArray keys(std::size_t(std::max(count, 0)));
    for (int row = 0; row < count; ++row) {
        const QString text = textOf(row);
        const std::uint64_t address = reinterpret_cast<std::uintptr_t>(text.constData());
        SeenText &same = seen[(address * 0x9E3779B97F4A7C15u) >> 54];
        if (same.number < 0 || same.text.constData() != text.constData() || same.text.size() != text.size()) {
            const std::uint32_t offset = keys.append(collator.get(), text);
            same = {text, int(entries.size())};
            entries.push_back({leadingBytes(keys.at(offset)), offset, int(entries.size())});
        }
        textOfRow[std::size_t(row)] = same.number;
    }

    const auto tailCompare = [&](const KeyEntry &a, const KeyEntry &b) {
        if (endsWithinLeading(a.leading))
            return 0;
        return std::strcmp(reinterpret_cast<const char *>(keys.at(a.offset + 8)),
                           reinterpret_cast<const char *>(keys.at(b.offset + 8)));
    };
    std::sort(entries.begin(), entries.end(), [&](const KeyEntry &a, const KeyEntry &b) {
        if (a.leading != b.leading)
            return a.leading < b.leading;
        const int tail = tailCompare(a, b);
        return tail != 0 ? tail < 0 : a.text < b.text;
    });

    // Texts that collate equal share a rank, so the rows' placing below keeps their order.
    std::vector<int> rankOfText(entries.size());
    int rank = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i == 0 || entries[i].leading != entries[i - 1].leading || tailCompare(entries[i], entries[i - 1]) != 0)
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
