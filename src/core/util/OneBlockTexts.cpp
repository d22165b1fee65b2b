#include "core/util/OneBlockTexts.h"

#include <algorithm>

namespace {
bool ownsBlock(const QString &text)
{
    return !text.isEmpty() && text.data_ptr().isMutable();
}
} // namespace

void CopyIntoOneBlock(std::initializer_list<std::pair<const QString &, QString &>> texts)
{
    qsizetype total = 0;
    int owners = 0;
    for (const auto &[source, target] : texts) {
        if (ownsBlock(source)) {
            total += source.size() + 1;
            ++owners;
        }
    }
    if (owners < 2) {
        for (const auto &[source, target] : texts)
            target = source;
        return;
    }
    QString block(total, Qt::Uninitialized);
    char16_t *out = block.data_ptr().data();
    for (const auto &[source, target] : texts) {
        if (!ownsBlock(source)) {
            target = source;
            continue;
        }
        const qsizetype length = source.size();
        std::copy_n(reinterpret_cast<const char16_t *>(source.constData()), length, out);
        // Each part ends in a zero as every QString does, for callers that read utf16() as a C string.
        out[length] = u'\0';
        QString::DataPointer part = block.data_ptr();
        part.ptr = out;
        part.size = length;
        target = QString(std::move(part));
        out += length + 1;
    }
}
