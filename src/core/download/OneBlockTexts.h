#pragma once

#include <QString>
#include <initializer_list>

// Copies the texts that own a heap block into one new block and points each of them at its copy. A list row then
// costs one allocation and one free instead of one per text, and rows appended one after another lie side by side
// in memory, so taking many rows out walks the heap in order instead of visiting a scattered string per column.
// The texts stay ordinary QStrings: a copy shares the block, and a change detaches only the text it changes.
// Empty texts and texts without a block of their own (literals) are left as they are.
void MoveIntoOneBlock(std::initializer_list<QString *> texts);
