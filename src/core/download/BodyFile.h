#pragma once

#include "core/download/ResumePoint.h"

#include <QByteArray>
#include <QCoroTask>
#include <QFile>
#include <QString>
#include <chrono>
#include <optional>

// The body of one download on its way to its final name. It grows in a hidden file beside the target and takes the
// target's name only when it is complete and on disk (flushed and synced, then renamed), so a final name never holds
// a partial body, whatever ends the program. While it lives, the target counts as taken for the same-name rules:
// two downloads never aim at the same name (in one process, or in two sharing the folder), and no stand-in file has
// to mark it on disk.
// The hidden file is locked while open; a body file nobody holds locked is what an interrupted run left behind.
//
// A body whose server can send the rest of it later keeps a small record (the address, the whole length and the
// server's validators) as an attribute of its file, or hidden beside it where the file system has no attributes. A
// transfer that breaks off sets such a body aside instead of dropping it, and a kill leaves it where it is; the next
// transfer of the same address to the same target takes it up.
class BodyFile final
{
public:
    explicit BodyFile(const QString &targetPath);
    ~BodyFile();
    BodyFile(const BodyFile &) = delete;
    BodyFile &operator=(const BodyFile &) = delete;

    // Starts the body afresh (an earlier run's leftover for the same target included). False when the folder
    // refuses the file or another process is writing the same target.
    bool open();
    // Opens the body keeping what an earlier transfer of `address` left for this target, when its record says how
    // to ask for the rest (resumePoint() then tells where it stands); otherwise as open(). Also for a body this
    // object holds open already, e.g. to ask again after a refusal.
    bool openToResume(const QString &address);
    // Where the kept bytes stand; none when the body started afresh.
    std::optional<ResumePoint> resumePoint() const { return m_resume; }
    // The kept bytes are dropped: the body begins again at its first byte.
    bool startOver();
    // Notes where the body comes from, so that a later run can resume it. Without validators or a known length it
    // cannot be resumed, and no record is kept.
    void recordSource(const QString &address, const BodyValidators &validators, qint64 total);
    bool write(const char *data, qint64 length);
    bool write(const QByteArray &data) { return write(data.constData(), data.size()); }
    qint64 length() const { return m_length; }
    bool isOpen() const { return m_file.isOpen(); }
    // Waits, off the event loop, until the body's bytes are on the disk and its record is gone, so that commit() has
    // only the rename left.
    // False when the disk refused them; the body is gone then. The object must outlive the wait, and nothing may be
    // written meanwhile.
    QCoro::Task<bool> sync();
    // The body is whole: once its bytes are on the disk it replaces whatever has the target's name (a link is
    // replaced, never followed). False when it could not be written out; the body is gone then.
    bool commit();
    // The body is dropped (also what the destructor does to a body not committed).
    void discard();
    // The transfer broke off: a body with a record stays on disk, unlocked, for a later transfer to resume; one
    // without is dropped.
    void setAside();

    // Why the last open, write or commit failed (an errno value; 0 when none failed or the reason is unknown).
    int systemError() const { return m_systemError; }

    QString targetPath() const { return m_target; }
    QString temporaryPath() const { return m_temporary; }

    // The hidden file a body for `targetPath` grows in: the same for the same target, so a rerun finds it.
    static QString TemporaryPathFor(const QString &targetPath);
    // True while a body file aims at the path: one of this process, or one another process holds locked.
    static bool IsReserved(const QString &targetPath);
    // What an earlier transfer of `address` left for `targetPath` and can be resumed; none when nothing. Only a
    // look: the body may still be taken by someone else before it is opened.
    static std::optional<ResumePoint> LeftoverFor(const QString &targetPath, const QString &address);
    // Removes the body files in the folder that no download holds open (left by a run that was killed, or set
    // aside), except those that can be resumed and were written to within kResumableFor. The number removed.
    static int RemoveLeftovers(const QString &folder);
    // How long a body that can be resumed waits for the row that wants it, before a sweep takes it.
    static constexpr std::chrono::hours kResumableFor{24 * 7};

private:
    QString m_target;
    QString m_temporary;
    QString m_record;
    std::optional<ResumePoint> m_resume;
    QFile m_file; // opened on a descriptor, so it does not know its own name
    qint64 m_length = 0;
    qint64 m_writtenBack = 0; // the bytes already sent on to the disk
    bool m_failed = false;
    bool m_synced = false; // nothing was written since the last sync
    int m_systemError = 0;

    bool openLocked();
    bool truncate();
    // The record goes, wherever it was kept.
    void removeRecords();
};
