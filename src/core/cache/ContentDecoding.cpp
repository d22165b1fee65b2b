#include "core/cache/ContentDecoding.h"

#include <QStringList>
#include <brotli/decode.h>
#include <zlib.h>

namespace ContentDecoding {
namespace {
constexpr qsizetype kChunk = 64 * 1024;

// windowBits: 15 + 32 lets zlib take a zlib or a gzip stream; -15 a raw deflate stream.
std::optional<QByteArray> inflateWith(const QByteArray &body, int windowBits)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return std::nullopt;
    QByteArray out;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.constData()));
    stream.avail_in = uInt(body.size());
    int status = Z_OK;
    while (status == Z_OK) {
        const qsizetype had = out.size();
        out.resize(had + kChunk);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + had);
        stream.avail_out = uInt(kChunk);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - qsizetype(stream.avail_out));
        // A gzip body may hold several members one after the other: each one is inflated in turn.
        if (status == Z_STREAM_END && stream.avail_in > 0 && windowBits > 0) {
            if (inflateReset(&stream) != Z_OK)
                break;
            status = Z_OK;
        }
        if (status == Z_BUF_ERROR && stream.avail_in == 0)
            break; // the input ended before the stream did
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

std::optional<QByteArray> inflateDeflate(const QByteArray &body)
{
    if (auto wrapped = inflateWith(body, 15))
        return wrapped;
    return inflateWith(body, -15);
}

std::optional<QByteArray> decodeBrotli(const QByteArray &body)
{
    BrotliDecoderState *state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!state)
        return std::nullopt;
    QByteArray out;
    size_t availableIn = size_t(body.size());
    const auto *nextIn = reinterpret_cast<const uint8_t *>(body.constData());
    BrotliDecoderResult result = BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT;
    while (result == BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) {
        const qsizetype had = out.size();
        out.resize(had + kChunk);
        size_t availableOut = size_t(kChunk);
        auto *nextOut = reinterpret_cast<uint8_t *>(out.data() + had);
        result = BrotliDecoderDecompressStream(state, &availableIn, &nextIn, &availableOut, &nextOut, nullptr);
        out.resize(out.size() - qsizetype(availableOut));
    }
    BrotliDecoderDestroyInstance(state);
    if (result != BROTLI_DECODER_RESULT_SUCCESS)
        return std::nullopt;
    return out;
}

QStringList codings(const QString &contentEncoding)
{
    QStringList list;
    for (const QString &piece : contentEncoding.split(u',', Qt::SkipEmptyParts)) {
        const QString coding = piece.trimmed().toLower();
        if (!coding.isEmpty() && coding != QLatin1String("identity"))
            list.append(coding);
    }
    return list;
}
} // namespace

bool isIdentity(const QString &contentEncoding)
{
    return codings(contentEncoding).isEmpty();
}

std::optional<QByteArray> decode(const QByteArray &body, const QString &contentEncoding)
{
    QByteArray data = body;
    const QStringList list = codings(contentEncoding);
    for (auto coding = list.crbegin(); coding != list.crend(); ++coding) {
        std::optional<QByteArray> decoded;
        if (*coding == QLatin1String("gzip") || *coding == QLatin1String("x-gzip"))
            decoded = inflateWith(data, 15 + 32);
        else if (*coding == QLatin1String("deflate"))
            decoded = inflateDeflate(data);
        else if (*coding == QLatin1String("br"))
            decoded = decodeBrotli(data);
        if (!decoded)
            return std::nullopt;
        data = std::move(*decoded);
    }
    return data;
}

} // namespace ContentDecoding
