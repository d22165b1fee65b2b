#include "core/util/Utf8Decoding.h"

#include <QStringDecoder>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

QChar *DecodeUtf8(QByteArrayView utf8, QChar *out)
{
    const auto *in = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = in + utf8.size();
    auto *written = reinterpret_cast<char16_t *>(out);
    const auto general = [&] {
        return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless).appendToBuffer(out, utf8);
    };
    if (utf8.size() >= 3 && in[0] == 0xEF && in[1] == 0xBB && in[2] == 0xBF)
        return general();
    while (in < end) {
#if defined(__SSE2__)
        // Sixteen ASCII bytes a step: addresses are mostly nothing else.
        if (end - in >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
            if (_mm_movemask_epi8(bytes) == 0) {
                const __m128i zero = _mm_setzero_si128();
                _mm_storeu_si128(reinterpret_cast<__m128i *>(written), _mm_unpacklo_epi8(bytes, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(written + 8), _mm_unpackhi_epi8(bytes, zero));
                written += 16;
                in += 16;
                continue;
            }
        }
#endif
        const unsigned lead = *in;
        if (lead < 0x80) {
            *written++ = char16_t(lead);
            ++in;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            if (end - in < 2 || (in[1] & 0xC0) != 0x80)
                return general();
            *written++ = char16_t(((lead & 0x1F) << 6) | (in[1] & 0x3F));
            in += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            if (end - in < 3 || (in[1] & 0xC0) != 0x80 || (in[2] & 0xC0) != 0x80)
                return general();
            const auto c = char16_t(((lead & 0x0F) << 12) | ((in[1] & 0x3F) << 6) | (in[2] & 0x3F));
            // Overlong forms and halves of surrogate pairs are broken sequences.
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))
                return general();
            *written++ = c;
            in += 3;
        } else {
            // Four-byte sequences (emoji, rare Chinese) and bytes no sequence starts with.
            return general();
        }
    }
    return reinterpret_cast<QChar *>(written);
}
