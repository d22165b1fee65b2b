#include "core/cache/CacheRow.h"

#include "core/cache/CacheTexts.h"

bool IsUserFileRow(const CacheRow &row)
{
    return row.text.startsWith(CacheTexts::kUserPrefix);
}

bool IsProtectedCacheRow(const CacheRow &row)
{
    if (IsUserFileRow(row))
        return row.type.compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
    return row.text.isEmpty() || row.text.contains(QLatin1String("cookie"), Qt::CaseInsensitive);
}
