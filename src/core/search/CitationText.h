#pragma once

#include <QString>

// A text of the list (title, author, source, abstract) as plain text for the reference formats: line breaks
// (<br> and <p> among them), tabs and runs of white space one blank, inline tags the page left in a title
// (<sub>, <i> ...) gone, character references decoded, no controls. A "<" that opens no tag ("a < b") stays.
QString PlainCitationText(const QString &text);
