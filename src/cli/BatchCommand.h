#pragma once

#include <QString>
#include <QStringList>

struct BatchOptions;

// `paperharvest batch ...`: parses the arguments that follow "batch", runs the road headless and prints the
// summary. The process's exit status: 0 when the road ran to its end, 2 for bad arguments, 1 for a fatal error,
// 130 when interrupted. Creates its own application object.
int RunBatchCommand(int argc, char *argv[]);

// The keywords of the command line followed by the lines of --keywords-file; false with a one-line reason
// naming the argument when the file cannot be read or no keyword is left.
bool ResolveBatchKeywords(BatchOptions &options, QString *error);

// `paperharvest --help`.
QString ProgramUsageText();
