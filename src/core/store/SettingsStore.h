#pragma once

#include <QList>
#include <QString>
#include <optional>

// The per-user settings store: text values addressed by application, section and key. Nothing is ever deleted.
// The store is an INI file named after the application: in the data folder when PAPERHARVEST_HOME is set, else in
// the per-user configuration folder. It is read into memory once and again only when PAPERHARVEST_HOME names
// another folder (tests give each case its own); every write goes to memory and straight through to the file.
// Another process's later writes are seen by the next run, as the values read at a window's opening always were.
// A write of the value the key already holds leaves the file alone.
//
// A file that does not parse cleanly (a quote left open or a line ending in a backslash would fold the lines after
// it into one value; a line that is neither a section, a key nor a comment) is read line by line without the lines
// at fault, whose keys read as their defaults; it is never written then: the values set meanwhile hold for this
// run only, and SettingsFileProblems() names each line at fault.

// The stored text, or nothing for a key that was never written.
std::optional<QString> StoredSetting(const QString &application, const QString &section, const QString &key);
// The stored text, or `defaultValue` for a key that was never written.
QString ReadSetting(const QString &application, const QString &section, const QString &key,
                    const QString &defaultValue);
void WriteSetting(const QString &application, const QString &section, const QString &key, const QString &value);

// A line of the settings file that does not parse cleanly.
struct SettingsFileProblem {
    int line = 0; // counted from 1
    QString reason;
};

// The settings file of `application` (the file the store reads and writes).
QString SettingsFilePath(const QString &application);
// The lines at fault in the settings file as last read; empty when it parsed cleanly (or does not exist).
QList<SettingsFileProblem> SettingsFileProblems(const QString &application);

// The writes to the settings file that failed (a full disk, a file that may not be written) since it was read.
int SettingsWriteFailures(const QString &application);

// The application title every call of the program uses.
inline QString ApplicationTitle()
{
    return QStringLiteral("PaperHarvest");
}
