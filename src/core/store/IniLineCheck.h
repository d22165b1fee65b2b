#pragma once

#include "core/store/SettingsStore.h"

#include <QByteArray>
#include <QList>

// Reads an INI file's lines the way Qt's reader splits them, and names each line that would not stand on its own:
// a quote left open or a backslash at the line's end joins the following lines to it (every key on them would be
// lost into one value), a section name without its "]", a line that is neither a key, a section nor a comment.
QList<SettingsFileProblem> FindIniProblems(const QByteArray &data);

// `data` with the lines at fault emptied (the line count stays), so the rest reads as it stands.
QByteArray WithoutLines(const QByteArray &data, const QList<SettingsFileProblem> &problems);
