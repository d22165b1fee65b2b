#pragma once

#include <QString>

// The text status-bar panel 3 shows for a state change of the transfer control during an engine-1 transfer.
// States 11 (error) and unknown states carry the control's response code and text.
QString TransferStateText(int state, int responseCode, const QString &responseInfo);
