#pragma once

#include "core/util/AnsiCodePage.h"

#include <QString>
#include <cstddef>
#include <cstdint>

// Turns fuzzer bytes into text three ways, so every UTF-16 unit (lone surrogates included), every UTF-8
// sequence and every GBK sequence can reach the rules. The first byte picks the way.
class FuzzInput final
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    // Takes one byte (0 when none is left).
    uint8_t byte()
    {
        if (m_size == 0)
            return 0;
        --m_size;
        return *m_data++;
    }

    // The rest of the input as text.
    QString text()
    {
        const uint8_t way = byte() % 3;
        const char *bytes = reinterpret_cast<const char *>(m_data);
        const qsizetype size = qsizetype(m_size);
        m_size = 0;
        switch (way) {
        case 0:
            return QString::fromUtf8(bytes, size);
        case 1: {
            QString text(size / 2, Qt::Uninitialized);
            for (qsizetype i = 0; i < text.size(); ++i)
                text[i] = QChar(char16_t(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8)));
            return text;
        }
        default:
            return AnsiCodePage::decode(QByteArrayView(bytes, size));
        }
    }

private:
    const uint8_t *m_data;
    size_t m_size;
};

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                          \
            abort();                                                                                                   \
        }                                                                                                              \
    } while (false)
