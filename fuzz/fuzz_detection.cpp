// File-type detection on arbitrary bytes: never crashes, reads only the head window and the tag window, returns
// only known extensions, and agrees with the detection of the same bytes written to a real file.
//
// The first input byte picks the mode. Even: the rest is the whole file. Odd: the next three bytes give a gap of
// up to 16 MiB of zero bytes placed after the first half of the remaining bytes, so the limits of large files
// (200 KB pages, the tag at the end) are reached without large inputs.

#include "core/download/FileTypeDetection.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSet>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char *what, qint64 a = 0, qint64 b = 0)
{
    std::fprintf(stderr, "fuzz_detection: %s (%lld, %lld)\n", what, static_cast<long long>(a),
                 static_cast<long long>(b));
    std::abort();
}

// A file of `length` bytes: `front`, then zeros, then `back`.
struct SparseFile {
    QByteArray front;
    QByteArray back;
    qint64 length = 0;

    char at(qint64 i) const
    {
        if (i < front.size())
            return front.at(i);
        const qint64 backStart = length - back.size();
        return i >= backStart ? back.at(i - backStart) : '\0';
    }
};

const QSet<QString> &knownResults()
{
    static const QSet<QString> known{"",   "pdf", "caj", "kdh", "nh",  "tif", "rtf", "exe", "rar", "zip", "docx", "swf",
                                     "rm", "wma", "mp3", "png", "gif", "jpg", "doc", "xls", "ppt", "htm", "caa"};
    return known;
}

// One scratch file per fuzzing process, on tmpfs where there is one; removed when the process ends.
struct ScratchFile {
    QString path;
    ScratchFile()
    {
        const QString folder = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        path = folder + QStringLiteral("/fuzz_detection_%1.bin").arg(getpid());
    }
    ~ScratchFile() { QFile::remove(path); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool sparse = data[0] & 1;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    SparseFile file;
    if (sparse && input.size() >= 3) {
        const qint64 gap = (qint64(quint8(input[0])) << 16) | (qint64(quint8(input[1])) << 8) | quint8(input[2]);
        const QByteArray rest = input.mid(3);
        file.front = rest.left(rest.size() / 2);
        file.back = rest.mid(rest.size() / 2);
        file.length = rest.size() + gap;
    } else {
        file.front = input;
        file.length = input.size();
    }

    qint64 total = 0;
    const FileTypeDetection::ByteReader reader = [&](qint64 offset, qint64 length) -> std::optional<QByteArray> {
        const qint64 n = file.length;
        const bool head = offset == 0 && length == std::min(n, FileTypeDetection::kHeadLimit) + 1;
        const bool tag = n > FileTypeDetection::kTagLength && offset == n - FileTypeDetection::kTagLength &&
                         length == FileTypeDetection::kTagLength + 1;
        if (!head && !tag)
            fail("read outside the head and tag windows", offset, length);
        total += length;
        QByteArray bytes;
        for (qint64 i = offset; i < std::min(n, offset + length); ++i)
            bytes.append(file.at(i));
        return bytes;
    };
    const QString result = FileTypeDetection::detect(file.length, reader);
    if (total > FileTypeDetection::kHeadLimit + 1 + FileTypeDetection::kTagLength + 1)
        fail("read too many bytes", total);
    if (!knownResults().contains(result))
        fail("unknown result");

    // The same bytes as a real file give the same answer.
    if (!sparse) {
        static const ScratchFile scratch;
        const QString &path = scratch.path;
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(input) != input.size())
            fail("cannot write the scratch file");
        out.close();
        if (打开文件判断文件类型(path) != result)
            fail("file detection differs from reader detection");
    }
    return 0;
}
