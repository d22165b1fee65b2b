#pragma once

#include <QString>

// A DOI ("10.<registrant of 4 to 9 digits, maybe with subdivisions>/<suffix>") in a text, as written (letter case
// kept), without the punctuation that ends a sentence or closes a bracket after it; empty when the text holds none. One
// that a label introduces ("DOI:", "doi ", "doi.org/") is taken before an unlabelled one that comes earlier, as a first
// page may cite another paper's DOI above its own. The suffix runs over printable ASCII up to white space, a double
// quote or any other character: Chinese pages often run the next word into the DOI without a space, and real suffixes
// are ASCII.
QString FindDoi(const QString &text);
