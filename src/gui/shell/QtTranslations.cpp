#include "gui/shell/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallQtTranslations()
{
    // Every text of the program is Chinese whatever the desktop's language, so Qt's texts follow the program,
    // not the system locale. "qt" is the catalogue that pulls in qtbase and the other modules' files.
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
