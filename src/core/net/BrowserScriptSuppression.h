#pragma once

#include <QStringList>

// The statements the main window's browser runs in every page and every inner frame before the page's own
// scripts (Browser::setFrameScripts): they take away the page's alert, confirm and modal dialogs, window opening,
// focus changes and closing, so a harvest is never stopped by a page waiting for an answer. Each runs on its own;
// the order matters (the assignments first, then the do-nothing replacements).
inline const QStringList &ScriptSuppressionStatements()
{
    static const QStringList statements = {
        QStringLiteral("window.alert=null;"),
        QStringLiteral("window.confirm=null;"),
        QStringLiteral("window.showModalDialog=null;"),
        QStringLiteral("window.open=null;"),
        QStringLiteral("window.focus=null;"),
        QStringLiteral("window.blur=null;"),
        QStringLiteral("function alert(){return;}"),
        QStringLiteral("function confirm(){return;}"),
        QStringLiteral("function showModalDialog(){return;}"),
        QStringLiteral("function close(){return;}"),
        QStringLiteral("function focus(){return;}"),
        QStringLiteral("function blur(){return;}"),
    };
    return statements;
}
