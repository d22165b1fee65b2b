// The citation texts of a result row on arbitrary text, as a page or a list file from elsewhere may hold them: the
// plain text of the reference formats is one clean line, the stored author list gives back every name, and a
// BibTeX entry made of such text stays balanced, so no field spills into the next.
#include "FuzzInput.h"

#include "core/search/Citation.h"
#include "core/search/CitationText.h"
#include "core/search/ReferenceExport.h"
#include "core/util/ControlCharacters.h"

#include <cstdio>
#include <cstdlib>

namespace {
// Braces of a BibTeX text as BibTeX counts them: every one, escaped or not.
bool balanced(const QByteArray &bibtex)
{
    int depth = 0;
    for (const char c : bibtex) {
        if (c == '{')
            ++depth;
        else if (c == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const QString text = input.text();

    const QString plain = PlainCitationText(text);
    for (const QChar c : plain)
        FUZZ_CHECK(!IsControlCharacter(c.unicode()) && c != u'\t');
    FUZZ_CHECK(!plain.contains(QStringLiteral("  ")) && plain == plain.trimmed());

    const QStringList names = text.split(u'|');
    // JSON holds Unicode text: half a surrogate pair has no place in it.
    if (text.isValidUtf16())
        FUZZ_CHECK(DecodedAuthors(EncodedAuthors(names)) == std::optional<QStringList>(names));
    DecodedAuthors(text);

    ResultRow row{text, text, text, text, text, {}};
    row.citation = {names, text, text, text, text};
    const QByteArray bibtex = BibtexText({row, row});
    FUZZ_CHECK(balanced(bibtex));
    FUZZ_CHECK(bibtex.count("\n@") == 2);
    CsvText({row});
    RisText({row});
    return 0;
}
