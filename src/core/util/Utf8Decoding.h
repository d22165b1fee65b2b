#pragma once

#include <QByteArrayView>
#include <QChar>

// Decodes `utf8` into `out`, which has room for utf8.size() code units, exactly as QString::fromUtf8 reads it (a
// leading byte order mark dropped, broken sequences replaced), and returns the end of what it wrote. Well-formed
// text of one-, two- and three-byte sequences (ASCII, the alphabets, Chinese) is decoded here with a test per
// character instead of the general decoder's state; anything else goes to Qt's decoder. An import decodes every
// title it reads: Qt's decoder takes about three times as long over Chinese text.
QChar *DecodeUtf8(QByteArrayView utf8, QChar *out);
