// URL text helpers on arbitrary text: the keyword encoding is reversible through GBK, escaped values keep no
// separator, and no input crashes them.
#include "FuzzInput.h"

#include "core/util/AnsiCodePage.h"
#include "core/util/MimeTypes.h"
#include "core/util/UrlText.h"

#include <cstdio>
#include <cstdlib>

namespace {
int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Undoes EncodeQueryKeyword for text GBK can hold: "%XX" is one byte, anything else its own GBK byte.
QString decodeKeyword(const QString &encoded)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == u'%') {
            FUZZ_CHECK(i + 2 < encoded.size());
            const int high = hexValue(encoded[i + 1]);
            const int low = hexValue(encoded[i + 2]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            bytes.append(char(high * 16 + low));
            i += 2;
        } else {
            FUZZ_CHECK(AnsiCodePage::byteCount(encoded[i].unicode()) == 1);
            FUZZ_CHECK(AnsiCodePage::appendBytes(encoded[i].unicode(), bytes));
        }
    }
    return AnsiCodePage::decode(bytes);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const QString text = input.text();

    const QString encoded = EncodeQueryKeyword(text);
    for (const QChar c : {u'#', u'^', u'&', u'+'})
        FUZZ_CHECK(!encoded.contains(c));
    if (AnsiCodePage::canEncode(text))
        FUZZ_CHECK(decodeKeyword(encoded) == text);

    const QString escaped = EscapeQueryValue(text);
    for (const QChar c : {u':', u'/', u'?', u'=', u'|', u'\\'})
        FUZZ_CHECK(!escaped.contains(c));

    FUZZ_CHECK(text.startsWith(UrlHostPart(text)));

    const QString extension = MimeTypeToExtension(text);
    FUZZ_CHECK(extension == text || !extension.contains(u'/'));
    return 0;
}
