#pragma once

#include <QString>

// The first DOI ("10.<registrant>/<suffix>") in a text, as written (letter case kept), without the punctuation that
// ends a sentence or closes a bracket after it; empty when the text holds none.
QString FindDoi(const QString &text);
