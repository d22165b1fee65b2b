#pragma once

class QAbstractItemView;

// Fits every column of a report-style list to its header text and its widest entry.
void AutoSizeListColumns(QAbstractItemView *list);

// Paints the list's rows in alternating stripes: light green, then white. The stripes follow the rows whatever
// their height, so the list needs no repaint of its own when it is resized.
void StripeListBackground(QAbstractItemView *list);
