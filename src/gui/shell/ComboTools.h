#pragma once

class QComboBox;

// Widens the combo box's drop-down list so its longest entry shows in full, without letting the list pass the
// right edge of the screen.
void FitComboDropWidth(QComboBox *box);
