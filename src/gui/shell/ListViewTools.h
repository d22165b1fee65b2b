#pragma once

#include <QKeySequence>

class QAbstractItemView;
class QAction;

// Fits every column of a report-style list to its header text and its widest entry.
void AutoSizeListColumns(QAbstractItemView *list);

// Paints the list's rows in alternating stripes: light green, then white. The stripes follow the rows whatever
// their height, so the list needs no repaint of its own when it is resized.
void StripeListBackground(QAbstractItemView *list);

// Gives a menu command of the list its key, working while the list has the keyboard focus (so Delete in a text
// box still deletes text); the menu shows the key beside the command.
void ListShortcut(QAbstractItemView *list, QAction *command, const QKeySequence &key);
