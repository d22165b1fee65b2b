#include "core/analysis/AnalysisSet.h"

#include "core/search/SearchTexts.h"

bool RowInAnalysisSet(AnalysisSet set, const QString &status, bool selected)
{
    switch (set) {
    case AnalysisSet::Unanalysed:
        return status.isEmpty();
    case AnalysisSet::Failed:
        // "失败" and "失败(下载)" share their first two characters; "无pdf" is not a failure.
        return status.startsWith(SearchTexts::失败);
    case AnalysisSet::Selected:
        return selected;
    case AnalysisSet::All:
        return true;
    }
    return false;
}
