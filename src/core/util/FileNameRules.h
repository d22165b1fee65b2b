#pragma once

#include <QChar>
#include <QString>

// Rules that turn text the program does not control (result titles, address segments) into names the file system
// accepts, find a free name, create folders and take paths and addresses apart. Only CreateFolderPath can fail,
// and it says why; every other result is defined for every input.
// Paths use the platform's separator; on Linux a path starting with "/" plays the part of a drive path.

#ifdef Q_OS_WIN
inline constexpr QChar kPathSeparator = u'\\';
#else
inline constexpr QChar kPathSeparator = u'/';
#endif

// One file-name component made from any text: no \ / : * ? " < > |, no control character (ControlCharacters.h:
// C0, C1, bidirectional overrides and isolates) or half surrogate pair,
// no leading or trailing dots, runs of spaces folded to one, at most 200 GBK bytes (and, where the file system
// counts UTF-8 bytes, short enough that a "[0001]" counter and an extension still fit). Never "." or "..".
// May be empty.
QString MakeSafeFileName(const QString &text);

// The longest prefix of `text` whose GBK encoding has at most `maxBytes` bytes; a character that would be cut
// in half is dropped whole. Characters GBK has no code for are kept unchanged and count two bytes per UTF-16
// unit (they never turn into "?").
QString TruncateToAnsiBytes(const QString &text, int maxBytes);

// `path` when nothing exists there, else the same folder and name with a "[0001]"-style counter (an existing
// numeric bracket suffix is replaced, not stacked) that names nothing yet. The bare name is tried first.
QString MakeUniqueFileName(const QString &path);

// Creates the folder `path` names and every missing folder above it, exactly as given: a folder the user chose is
// never renamed, and on this platform any name but one holding NUL is a name. Returns the folder without a trailing
// separator; empty when it cannot be made, with the system's reason (such as "Permission denied") in `reason` and
// its error number (errno: EACCES, ENOTDIR ...; EINVAL for an empty name or one holding NUL) in `errorNumber`.
QString CreateFolderPath(const QString &path, QString *reason = nullptr, int *errorNumber = nullptr);

// True when a file (not a folder) exists at `path`, which may also be a "file://" address.
bool IsExistingFile(const QString &path);
// True when a folder exists at `path`.
bool IsExistingFolder(const QString &path);

// Last component of a path or address ("/" and "\" both separate), trimmed; with `dropExtension` the text before
// its last ".".
QString FileNameFromPath(const QString &path, bool dropExtension = false);

// Folder with its trailing separator (empty when there is none); base name and extension (at most 6 characters,
// otherwise empty) through the out-parameters. A name such as ".pdf" is all base.
QString SplitPath(const QString &path, QString &baseName, QString &extension);

// Extension of the last component (at most 6 characters); base name through the out-parameter. ".pdf" gives an
// empty base and "pdf".
QString SplitFileName(const QString &path, QString &baseName);

// For a name ending in "[number]": the trimmed number text, with the text before "[" as base name. Otherwise
// empty, with the whole name as base.
QString SplitBracketNumber(const QString &name, QString &baseName);

// Extension (at most 6 characters, else empty) of an address's last segment; the raw file-name part through the
// out-parameter. For an address carried inside an address the inner address stays in the file-name part.
QString UrlFileNameAndExtension(const QString &address, QString &fileNamePart);

// `text` without CR, LF and NUL.
QString StripLineBreaks(const QString &text);

// A decimal number, optionally signed, with optional surrounding spaces ("12", "3.5", "-2", " 7").
bool IsNumericText(const QString &text);
