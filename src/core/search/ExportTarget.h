#pragma once

#include "core/search/ReferenceExport.h"

#include <QString>

// Whether an export may write its file, asked before any work that would end in that file.
struct ExportTargetCheck {
    // Empty when the file can be written; otherwise why not, naming the user's file.
    QString problem;
    // The problem is only that a file is there which this program did not write in that format: the user's
    // consent (the save dialog's question, the batch's --overwrite) lets the export replace it.
    bool foreignFile = false;
    bool usable() const { return problem.isEmpty(); }
};

// Checks `path` as the target of an export in `format`: its folder exists and takes a new file, the name is not a
// folder or a read-only file, and a file already there is one this program exported in that format (a list file,
// or the CSV, RIS or BibTeX this program writes).
ExportTargetCheck CheckExportTarget(const QString &path, ListFormat format);
