#pragma once

// Loads Qt's own Chinese translations into the running application, so the standard buttons and dialogs
// (确定/取消, 是/否, the file and folder pickers) speak the language of the program's own texts. False when the
// translation files are not installed; the dialogs then stay in English.
bool InstallQtTranslations();
