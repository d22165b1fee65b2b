#include "core/util/OneBlockTexts.h"

#include <algorithm>

namespace {
bool ownsBlock(const QString &text)
{
    return !text.isEmpty() && text.data_ptr().isMutable();
}

// Copies `source` to `out`, ends it in a zero as every QString does (for callers that read utf16() as a C
// string), and makes `target` the part of `block` it fills. Returns where the next part goes.
char16_t *placePart(const QString &block, QStringView source, char16_t *out, QString &target)
{
    const qsizetype length = source.size();
    std::copy_n(source.utf16(), length, out);
    out[length] = u'\0';
    QString::DataPointer part = block.data_ptr();
    part.ptr = out;
    part.size = length;
    target = QString(std::move(part));
    return out + length + 1;
}
} // namespace

void CopyIntoOneBlock(std::initializer_list<std::pair<const QString &, QString &>> texts)
{
    qsizetype total = 0;
    int owners = 0;
    const QString *firstOwner = nullptr;
    bool oneBlock = true;
    for (const auto &[source, target] : texts) {
        if (ownsBlock(source)) {
            total += source.size() + 1;
            ++owners;
            if (!firstOwner)
                firstOwner = &source;
            oneBlock = oneBlock && source.isSharedWith(*firstOwner);
        }
    }
    if (owners < 2 || oneBlock) {
        for (const auto &[source, target] : texts)
            target = source;
        return;
    }
    QString block(total, Qt::Uninitialized);
    char16_t *out = block.data_ptr().data();
    for (const auto &[source, target] : texts) {
        if (ownsBlock(source))
            out = placePart(block, source, out, target);
        else
            target = source;
    }
}

void PlaceInOneBlock(std::initializer_list<std::pair<QStringView, QString &>> texts)
{
    qsizetype total = 0;
    for (const auto &[source, target] : texts)
        if (!source.isEmpty())
            total += source.size() + 1;
    if (total == 0) {
        for (const auto &[source, target] : texts)
            target = source.toString();
        return;
    }
    QString block(total, Qt::Uninitialized);
    char16_t *out = block.data_ptr().data();
    for (const auto &[source, target] : texts) {
        if (source.isEmpty())
            target = source.toString();
        else
            out = placePart(block, source, out, target);
    }
}
