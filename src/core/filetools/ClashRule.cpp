#include "core/filetools/ClashRule.h"

#include <QFileInfo>

std::optional<ClashRule> ClashRuleFromIndex(int index)
{
    if (index < static_cast<int>(ClashRule::Skip) || index > static_cast<int>(ClashRule::SameSizeOverwrite))
        return std::nullopt;
    return static_cast<ClashRule>(index);
}

ClashAction ResolveClash(ClashRule rule, const QFileInfo &source, const QFileInfo &existing)
{
    switch (rule) {
    case ClashRule::Skip:
        return ClashAction::Skip;
    case ClashRule::Overwrite:
        return ClashAction::Overwrite;
    case ClashRule::Rename:
        return ClashAction::Rename;
    case ClashRule::SameSizeAndTimeOverwrite:
        return source.size() == existing.size() && source.lastModified() == existing.lastModified()
                   ? ClashAction::Overwrite
                   : ClashAction::Rename;
    case ClashRule::SameSizeOverwrite:
        return source.size() == existing.size() ? ClashAction::Overwrite : ClashAction::Rename;
    }
    return ClashAction::Skip;
}
