#pragma once

#include <QString>

// Why a folder could not be made, in the windows' language, for the error number CreateFolderPath gave.
QString FolderErrorText(int errorNumber);
