#include "core/search/AddressList.h"

#include "core/search/ResultListModel.h"
#include "core/search/SearchTexts.h"
#include "core/util/TextFile.h"

QStringList QualifyingAddresses(const QString &text, const QString &prefix)
{
    QStringList out;
    for (const QString &line : TextFile::splitLines(text)) {
        const QString address = line.trimmed();
        if (!prefix.isEmpty() && address.startsWith(prefix, Qt::CaseInsensitive))
            out.append(address);
    }
    return out;
}

int AddAddressRows(ResultListModel &rows, const QStringList &addresses, const QString &saveFolder)
{
    for (const QString &address : addresses)
        rows.加入LV1(SearchTexts::待定, address, QString(), saveFolder, QString());
    return static_cast<int>(addresses.size());
}
