#include "core/util/Transliteration.h"

#include <memory>
#include <unicode/utrans.h>
#include <vector>

namespace {
using Transliterator = std::unique_ptr<UTransliterator, void (*)(UTransliterator *)>;

// Building the rules takes milliseconds: once per thread (a transliterator is not for two threads at once).
UTransliterator *transliterator()
{
    thread_local const Transliterator instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        static const char16_t rules[] = u"Any-Latin; Latin-ASCII";
        UTransliterator *t = utrans_openU(rules, -1, UTRANS_FORWARD, nullptr, 0, nullptr, &status);
        return Transliterator(U_SUCCESS(status) ? t : nullptr, [](UTransliterator *p) {
            if (p)
                utrans_close(p);
        });
    }();
    return instance.get();
}
} // namespace

QString AsciiTransliteration(const QString &text)
{
    UTransliterator *t = transliterator();
    if (!t || text.isEmpty())
        return text;
    // A Han character becomes a syllable of up to six letters and a blank.
    std::vector<UChar> buffer(size_t(text.size()) * 8 + 16);
    std::copy(text.utf16(), text.utf16() + text.size(), buffer.begin());
    int32_t length = int32_t(text.size());
    int32_t limit = length;
    UErrorCode status = U_ZERO_ERROR;
    utrans_transUChars(t, buffer.data(), &length, int32_t(buffer.size()), 0, &limit, &status);
    if (U_FAILURE(status))
        return text;
    return QString(reinterpret_cast<const QChar *>(buffer.data()), length);
}
