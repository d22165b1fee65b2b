#pragma once

#include <QString>
#include <QStringView>
#include <initializer_list>
#include <utility>

// Sets each target to its source's text, the texts that own a heap block copied side by side into one new block.
// A list row then costs one allocation and one free instead of one per text, and rows appended one after another
// lie side by side in memory, so taking many rows out walks the heap in order instead of visiting a scattered
// string per column. The targets stay ordinary QStrings: a copy shares the block, and a change detaches only the
// text it changes. Empty texts and texts without a block of their own (literals) are shared as they are; texts
// that already share one block (a row's texts settled before) keep sharing it.
void CopyIntoOneBlock(std::initializer_list<std::pair<const QString &, QString &>> texts);

// The same for texts at hand only as views (decoded into a buffer that is used again): every non-empty one is
// copied into one new block, an empty one becomes an empty text (a null one a null text). One allocation for
// the row instead of one per text and another for the block.
void PlaceInOneBlock(std::initializer_list<std::pair<QStringView, QString &>> texts);
