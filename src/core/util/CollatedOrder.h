#pragma once

#include <QString>
#include <functional>
#include <vector>

// The order lists sort texts in: Chinese by pronunciation (pinyin), letters with their case ignored, runs of digits
// by their value. It is the order of QCollator for zh_CN with case ignored and numeric mode on, reached without a
// key object per text: every distinct text's collation key goes into one array, each with its first bytes packed
// into a number beside it, so sorting compares numbers lying side by side and reads a key's further bytes only
// when two keys begin alike.

// Rows 0 to count - 1 ordered by textOf(row); rows whose texts collate equal keep their order, in both directions.
// Returns the rows in their new order. textOf is asked once per row, in row order.
std::vector<int> CollatedOrder(int count, const std::function<QString(int row)> &textOf, bool descending);
