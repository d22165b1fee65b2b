// The hand-read shape of a PDF on arbitrary bytes: never crashes, reads only inside the file and only its three
// windows (head, tail, the bytes at the cross-reference offset), and a file without "%PDF-" in its head is never
// taken for a PDF. The same bytes as a real file give the same shape.

#include "core/pdfcheck/PdfStructure.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
[[noreturn]] void fail(const char *what, qint64 a = 0, qint64 b = 0)
{
    std::fprintf(stderr, "fuzz_pdfstructure: %s (%lld, %lld)\n", what, static_cast<long long>(a),
                 static_cast<long long>(b));
    std::abort();
}

struct ScratchFile {
    QString path;
    ScratchFile()
    {
        const QString folder = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        path = folder + QStringLiteral("/fuzz_pdfstructure_%1.pdf").arg(getpid());
    }
    ~ScratchFile() { QFile::remove(path); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    int reads = 0;
    const PdfStructure::ByteReader reader = [&](qint64 offset, qint64 length) -> std::optional<QByteArray> {
        if (offset < 0 || length < 0 || offset + length > bytes.size())
            fail("read outside the file", offset, length);
        const bool head = offset == 0 && length <= PdfStructure::kHeadWindow;
        const bool tail = length <= PdfStructure::kTailWindow && offset + length == bytes.size();
        if (!head && !tail && length > PdfStructure::kXrefWindow)
            fail("read larger than its window", offset, length);
        if (++reads > 4)
            fail("too many reads", reads);
        return bytes.mid(offset, length);
    };
    const PdfStructure::Shape shape = PdfStructure::inspect(bytes.size(), reader);
    if (!bytes.left(PdfStructure::kHeadWindow).contains("%PDF-") && shape != PdfStructure::Shape::NotPdf)
        fail("taken for a PDF without a header");

    static const ScratchFile scratch;
    QFile out(scratch.path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        fail("cannot write the scratch file");
    out.close();
    QFile in(scratch.path);
    if (!in.open(QIODevice::ReadOnly) || PdfStructure::inspectFile(in) != shape)
        fail("file shape differs from reader shape");
    return 0;
}
