#include "core/util/AnsiCodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <memory>

namespace {
struct Code {
    quint8 length = 0; // 0: no GBK code
    quint8 bytes[2] = {0, 0};
};

// One entry per BMP character, built once: a character counts as encodable only when its bytes decode back to
// it, so best-fit substitutions never pass for real codes. GBK has nothing outside the BMP.
const std::array<Code, 0x10000> &codeTable()
{
    static const std::unique_ptr<std::array<Code, 0x10000>> table = [] {
        auto t = std::make_unique<std::array<Code, 0x10000>>();
        QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
        QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
        for (char32_t c = 0; c < 0x10000; ++c) {
            const QChar ch{char16_t(c)};
            if (ch.isSurrogate())
                continue;
            const QByteArray bytes = encoder.encode(QStringView(&ch, 1));
            if (bytes.isEmpty() || bytes.size() > 2)
                continue;
            const QString back = decoder.decode(bytes);
            if (back.size() != 1 || back[0] != ch)
                continue;
            Code &code = (*t)[c];
            code.length = quint8(bytes.size());
            code.bytes[0] = quint8(bytes[0]);
            if (bytes.size() == 2)
                code.bytes[1] = quint8(bytes[1]);
        }
        return t;
    }();
    return *table;
}
} // namespace

int AnsiCodePage::byteCount(char32_t character)
{
    return character < 0x10000 ? codeTable()[character].length : 0;
}

bool AnsiCodePage::appendBytes(char32_t character, QByteArray &out)
{
    if (character >= 0x10000)
        return false;
    const Code &code = codeTable()[character];
    if (code.length == 0)
        return false;
    out.append(char(code.bytes[0]));
    if (code.length == 2)
        out.append(char(code.bytes[1]));
    return true;
}

bool AnsiCodePage::canEncode(QStringView text)
{
    bool all = true;
    forEachCodePoint(text, [&all](char32_t c, qsizetype, qsizetype) {
        all = byteCount(c) != 0;
        return all;
    });
    return all;
}

QByteArray AnsiCodePage::encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    forEachCodePoint(text, [&out](char32_t c, qsizetype, qsizetype) {
        if (!appendBytes(c, out))
            out.append('?');
        return true;
    });
    return out;
}

QString AnsiCodePage::decode(QByteArrayView bytes)
{
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}
