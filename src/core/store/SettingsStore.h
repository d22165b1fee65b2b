#pragma once

#include <QString>
#include <optional>

// The per-user settings store: text values addressed by application, section and key. Nothing is ever deleted.
// The store is an INI file named after the application: in the data folder when PAPERHARVEST_HOME is set, else in
// the per-user configuration folder. It is read into memory once and again only when PAPERHARVEST_HOME names
// another folder (tests give each case its own); every write goes to memory and straight through to the file.
// Another process's later writes are seen by the next run, as the values read at a window's opening always were.

// The stored text, or nothing for a key that was never written.
std::optional<QString> StoredSetting(const QString &application, const QString &section, const QString &key);
// The stored text, or `defaultValue` for a key that was never written.
QString ReadSetting(const QString &application, const QString &section, const QString &key,
                    const QString &defaultValue);
void WriteSetting(const QString &application, const QString &section, const QString &key, const QString &value);

// The application title every call of the program uses.
inline QString ApplicationTitle()
{
    return QStringLiteral("PaperHarvest");
}
