#pragma once

#include "core/download/ResumePoint.h"

#include <QString>
#include <optional>

// What a body file needs beside its bytes to be resumed by a later run: the address they came from, the whole
// body's length and what identifies the server's copy. It lies hidden next to the body file and goes with it.
struct ResumeRecord {
    QString address;
    qint64 total = 0;
    BodyValidators validators;
};

// How the record's file name ends, in place of its body file's ".part".
inline const QString kResumeRecordSuffix = QStringLiteral(".resume");

// The record's file for the body file at `bodyPath`.
QString ResumeRecordPathFor(const QString &bodyPath);
// None when there is no record or it cannot be read whole (a run killed while writing it).
std::optional<ResumeRecord> ReadResumeRecord(const QString &path);
// Written without following a link planted under its name. False when it could not be written.
bool WriteResumeRecord(const QString &path, const ResumeRecord &record);
