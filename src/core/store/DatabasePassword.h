#pragma once

#include <QByteArray>
#include <QString>

// The one stored constant (51 digits) from which the password of the visited-address database and of the list
// export files is built at run time; the same for both kinds of file.
extern const char kStoredPasswordConstant[];

// Builds a password from its stored form: reverse, regroup by position (1,4,7,... then 2,5,8,... then 3,6,9,...),
// then read groups of three. A digit group g gives the single byte 1000 - g ("000" gives 0); a group starting with
// "O" sets a prefix that makes the next group a double-byte character (lead byte, trail byte). Bytes, as the
// ANSI text the database library is given.
QByteArray DecodeStoredPassword(const QString &encoded);
