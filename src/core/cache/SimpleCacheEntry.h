#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The embedded browser keeps its HTTP cache in Chromium's "simple" format: one entry is a few files named
// "<16 hex digits>_<stream>" ("_0" holds the headers and the body, "_1" and "_s" further streams), each beginning
// with a fixed header followed by the entry's key. Everything here works on bytes already read, so a truncated or
// garbled file can only give a verdict, never a crash.
namespace SimpleCacheEntry {

// The fixed header: magic number (8 bytes), format version, key length and key hash (4 bytes each), padded.
inline constexpr qsizetype kHeaderSize = 24;
// A key longer than this is taken for garbage (addresses stop far below it).
inline constexpr quint32 kMaxKeyLength = 1 << 20;

enum class Verdict {
    Entry,     // a header of a known version; the key follows
    Truncated, // fewer bytes than the header, or than the key it announces
    Garbled,   // wrong magic number, unknown version, or an impossible key length
};

struct Header {
    Verdict verdict = Verdict::Garbled;
    quint32 keyLength = 0;
};

// Judges the first bytes of an entry file (at least kHeaderSize of them for a verdict other than Truncated).
Header ReadHeader(QByteArrayView bytes);

// The key of an entry file whose first bytes (header and key) are `bytes`; empty unless the verdict is Entry and
// the whole key is present.
QByteArray ReadKey(QByteArrayView bytes);

// True for the name of an entry's first file ("0123456789abcdef_0"), the one every entry has.
bool IsEntryFileName(QStringView fileName);

// True for the name of any file of an entry ("<hash>_0", "_1", "_2" or "_s"); the cache's other files (its index)
// are its own bookkeeping.
bool IsEntryStreamFileName(QStringView fileName);

// The other files of the same entry share the first 17 characters of the name ("<hash>_").
QString EntryFilePrefix(QStringView fileName);

// The address a cache key stands for. Keys carry the request's credential and upload marks ("1/0/") and, when the
// cache is split by site, "_dk_" with the sites before the address, separated by spaces an address cannot hold.
// A key that does not look like that is returned as it is, so the entry can still be listed and deleted.
QString KeyAddress(QByteArrayView key);

} // namespace SimpleCacheEntry
