#pragma once

#include <QString>

// "The program's folder": keywords.txt, ip.txt, SaveList.dat, zxdata.db, the sound files and the temporary page
// files live here. $PAPERHARVEST_HOME when set (portable installs, tests), else the per-user data folder.
class DataFolder final
{
public:
    // The folder, created when missing; no trailing separator.
    static QString path();
    // path() + "/" + name.
    static QString filePath(const QString &name);
    // True when PAPERHARVEST_HOME chooses the folder (the settings file then lives there too).
    static bool isOverridden();
};
