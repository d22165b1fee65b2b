#pragma once

#include <QString>
#include <QStringList>

// The lines of a plain address list that name a document of the document service: each line trimmed, kept when it
// begins with `prefix` in any letter case. Blank lines and other addresses are dropped without a word; repeated
// addresses stay, as the list's count includes them. Lines may end in CR LF, LF or CR, as lists from any editor do.
QStringList QualifyingAddresses(const QString &text, const QString &prefix);

class ResultListModel;
// Adds each address as a row titled "待定" of type "pdf" saved to `saveFolder` (加入LV1), so its analysis takes it
// as a direct file. Returns the number of addresses, duplicates of rows already in the list included.
int AddAddressRows(ResultListModel &rows, const QStringList &addresses, const QString &saveFolder);
