#pragma once

#include <optional>

class QFileInfo;

// What the copy tool does when the destination already holds a file of the copied file's name: the five choices
// of its window, numbered as the window numbers them.
enum class ClashRule {
    Skip = 1,
    Overwrite = 2,
    Rename = 3,
    // Overwrite when length and modification time both match, else rename.
    SameSizeAndTimeOverwrite = 4,
    // Overwrite when the lengths match, else rename.
    SameSizeOverwrite = 5,
};

inline constexpr ClashRule kDefaultClashRule = ClashRule::SameSizeAndTimeOverwrite;

// The rule with that number; nullopt outside 1 to 5.
std::optional<ClashRule> ClashRuleFromIndex(int index);

enum class ClashAction { Skip, Overwrite, Rename };

// The decision for one clash between `source` and the file `existing` of the same name in the destination.
ClashAction ResolveClash(ClashRule rule, const QFileInfo &source, const QFileInfo &existing);
