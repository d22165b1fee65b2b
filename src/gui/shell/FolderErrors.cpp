#include "gui/shell/FolderErrors.h"

#include "gui/shell/ShellTexts.h"

#include <cerrno>

QString FolderErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOTDIR:
    case EEXIST:
        return ShellTexts::kFolderNotADirectory;
    case EACCES:
    case EPERM:
        return ShellTexts::kFolderNoPermission;
    case EROFS:
        return ShellTexts::kFolderReadOnly;
    case ENOSPC:
    case EDQUOT:
        return ShellTexts::kFolderDiskFull;
    case ENAMETOOLONG:
        return ShellTexts::kFolderNameTooLong;
    case EINVAL:
    case EILSEQ:
        return ShellTexts::kFolderInvalidName;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return ShellTexts::kFolderMissingDrive;
    default:
        return ShellTexts::kFolderSystemError.arg(errorNumber);
    }
}
