#pragma once

#include <QExplicitlySharedDataPointer>
#include <QMap>
#include <QSharedData>
#include <QString>
#include <QStringList>
#include <optional>

// What a result block tells about its document beyond the title and the link, for reference managers and
// spreadsheets. Every field is plain text and empty when the block does not show it.
struct Citation {
    QStringList authors;
    // The journal, conference or publisher.
    QString source;
    // Four digits.
    QString year;
    // The number of citing documents, digits only.
    QString citations;
    QString abstract;
    // What the saved PDF itself told, once the check found it to be the paper asked for: its DOI, and its number
    // of pages (0 while unknown). A result block never shows these.
    QString doi = {};
    int pages = 0;

    bool isEmpty() const
    {
        return authors.isEmpty() && source.isEmpty() && year.isEmpty() && citations.isEmpty() && abstract.isEmpty() &&
               doi.isEmpty() && pages == 0;
    }
    friend bool operator==(const Citation &, const Citation &) = default;
};

// A result row's citation, held apart: most rows have none and then cost one pointer instead of five empty
// fields, which keeps a list of 100 000 rows some 11 MB smaller and its rows quicker to move; copies of a row share
// it. It reads as a Citation (-> or the conversion) and is set whole, never changed in place.
class RowCitation
{
public:
    RowCitation() = default;
    // Not explicit: rows are made from a Citation as they always were.
    RowCitation(Citation citation);
    const Citation &operator*() const;
    const Citation *operator->() const { return &**this; }
    operator const Citation &() const { return **this; }
    bool isEmpty() const { return !m_data; }
    friend bool operator==(const RowCitation &a, const RowCitation &b) { return *a == *b; }
    friend bool operator==(const RowCitation &a, const Citation &b) { return *a == b; }

private:
    struct Data : QSharedData {
        explicit Data(Citation c) : citation(std::move(c)) {}
        const Citation citation;
    };
    QExplicitlySharedDataPointer<Data> m_data; // null for an empty citation
};

// The citation of a result block from the texts the page snapshot read out of it, by the part names of
// ServiceMarkup (kAuthorsPart ...): names and source without their decoration, the year and the count as digits,
// the abstract on one line, nothing that could act on a terminal or disguise a name.
Citation CitationFromParts(const QMap<QString, QStringList> &parts);

// `text` on one line: line breaks, tabs and the other white-space controls become blanks, the remaining controls
// go, and every run of white space is one blank.
QString OneLineText(const QString &text);

// The authors as one text ("A; B") and back, as the list shows them. A name with "; " in it ("Smith; Jr., Bob")
// comes back as two: for storing use EncodedAuthors.
QString JoinedAuthors(const QStringList &authors);
QStringList SplitAuthors(const QString &joined);
// The authors as a JSON array of names, which gives back every name whatever it holds; nullopt for a text that is
// not such an array.
QString EncodedAuthors(const QStringList &authors);
std::optional<QStringList> DecodedAuthors(const QString &encoded);
