#include "core/download/OneBlockTexts.h"

#include <algorithm>

namespace {
bool ownsBlock(const QString &text)
{
    return !text.isEmpty() && text.data_ptr().isMutable();
}
} // namespace

void MoveIntoOneBlock(std::initializer_list<QString *> texts)
{
    qsizetype total = 0;
    int owners = 0;
    for (const QString *text : texts) {
        if (ownsBlock(*text)) {
            total += text->size() + 1;
            ++owners;
        }
    }
    if (owners < 2)
        return;
    QString block(total, Qt::Uninitialized);
    char16_t *out = block.data_ptr().data();
    for (QString *text : texts) {
        if (!ownsBlock(*text))
            continue;
        const qsizetype length = text->size();
        std::copy_n(reinterpret_cast<const char16_t *>(text->constData()), length, out);
        // Each part ends in a zero as every QString does, for callers that read utf16() as a C string.
        out[length] = u'\0';
        QString::DataPointer part = block.data_ptr();
        part.ptr = out;
        part.size = length;
        *text = QString(std::move(part));
        out += length + 1;
    }
}
