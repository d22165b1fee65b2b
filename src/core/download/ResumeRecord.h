#pragma once

#include "core/download/ResumePoint.h"

#include <QString>
#include <optional>

// What a body file needs beside its bytes to be resumed by a later run: the address they came from, the whole
// body's length and what identifies the server's copy. It is an extended attribute of the body file where the file
// system keeps them (nothing more to make and remove per download); elsewhere it lies hidden next to the body file
// and goes with it.
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

// The record as an attribute of the open body file `fd`; false when the file system has no room or no user
// attributes (the record then goes to its own file).
bool WriteResumeRecordOn(int fd, const ResumeRecord &record);
// The attribute record of the body file at `bodyPath` (a link is not followed); none when it has none.
std::optional<ResumeRecord> ReadResumeRecordOf(const QString &bodyPath);
// The attribute record removed from the open body file, so that the document it becomes carries none.
void RemoveResumeRecordOn(int fd);
