#pragma once

#include <QString>

// Where harvested documents go and how their files are named, as the save-target dialog last set it.
struct SaveTarget {
    // The folder new result rows are saved to, without a trailing separator.
    QString SaveFolder;
    // True: a download's file name comes from its address; false: from the result's title.
    bool NameFromAddress = false;
    // True after the dialog was left with its cancel button (only the address-list import looks at it).
    bool SaveDialogCancelled = false;
};

// The program-wide save target. The naming mode lives for the whole run of the program (not stored between runs),
// whichever window opens the dialog; the main window reloads SaveFolder from its setting when it opens.
SaveTarget &CurrentSaveTarget();
