#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

// `text` wrapped into lines of at most `columns` terminal columns (DisplayWidth), each after `indent` spaces;
// words stay whole where they fit a line, and Chinese text, which has no spaces, breaks between characters.
QString WrapText(const QString &text, int indent, int columns);
// The options of a command as "--help" lists them: one entry per option, the names ("-q, --quiet", "--out <DIR>")
// on the left and the description wrapped beside them, or below them when the names are long.
QString OptionsHelp(const QList<QCommandLineOption> &options, int columns);
