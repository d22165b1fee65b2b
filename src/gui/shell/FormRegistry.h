#pragma once

#include <QString>

// True when a window of that name is open (its object name compared without regard to letter case). Windows
// that are closed are either destroyed or hidden, so a hidden window does not count, unless minimised.
bool IsFormLoaded(const QString &name);
