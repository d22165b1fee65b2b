// The browser-cache entry reader on arbitrary bytes: it never reads past them, a key it gives is exactly the bytes
// its header announces, and every key yields an address that is part of it.
// fuzz-sources: core/util/AnsiCodePage.cpp
#include "FuzzInput.h"

#include "core/cache/SimpleCacheEntry.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const SimpleCacheEntry::Header header = SimpleCacheEntry::ReadHeader(bytes);
    const QByteArray key = SimpleCacheEntry::ReadKey(bytes);
    if (header.verdict == SimpleCacheEntry::Verdict::Entry) {
        FUZZ_CHECK(header.keyLength > 0 && header.keyLength <= SimpleCacheEntry::kMaxKeyLength);
        FUZZ_CHECK(key == bytes.mid(SimpleCacheEntry::kHeaderSize, header.keyLength));
    } else {
        FUZZ_CHECK(key.isEmpty());
    }
    if (header.verdict == SimpleCacheEntry::Verdict::Truncated && size >= size_t(SimpleCacheEntry::kHeaderSize))
        FUZZ_CHECK(size - SimpleCacheEntry::kHeaderSize < header.keyLength);

    // Any bytes as a key: the address is the key or its tail, empty only for an empty key.
    const QString address = SimpleCacheEntry::KeyAddress(bytes);
    FUZZ_CHECK(address.isEmpty() == bytes.isEmpty());
    FUZZ_CHECK(QString::fromUtf8(bytes).endsWith(address));

    FuzzInput input(data, size);
    const QString name = input.text();
    if (SimpleCacheEntry::IsEntryFileName(name))
        FUZZ_CHECK(SimpleCacheEntry::IsEntryStreamFileName(name) && name.endsWith(u"_0"));
    return 0;
}
