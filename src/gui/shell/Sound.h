#pragma once

#include <QString>

// Plays notification sound n (101 a web page was downloaded, 102 the download scheduler stopped, 103 a download
// failed) from <data folder>/<n>.wav without waiting. A missing file is first written from the program's own copy
// of that sound; a number without one writes and plays nothing. A sound that cannot play is skipped silently.
void PlaySoundNumber(int number);

// The file PlaySoundNumber plays for n, written from the embedded copy when missing; empty when there is none.
QString SoundFilePath(int number);
