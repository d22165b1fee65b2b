#include "gui/shell/FormRegistry.h"

#include <QApplication>
#include <QWidget>

bool IsFormLoaded(const QString &name)
{
    const auto windows = QApplication::topLevelWidgets();
    for (const QWidget *w : windows) {
        if (w->objectName().compare(name, Qt::CaseInsensitive) == 0 && (w->isVisible() || w->isMinimized()))
            return true;
    }
    return false;
}
