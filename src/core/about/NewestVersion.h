#pragma once

#include <QString>

// The newest version an update check found above the program's own during this run; empty until one did.
QString NewestVersionText();
void SetNewestVersionText(const QString &version);
