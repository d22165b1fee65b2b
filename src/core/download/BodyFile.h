#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The body of one download on its way to its final name. It grows in a hidden file beside the target and takes the
// target's name only when it is complete and on disk (flushed and synced, then renamed), so a final name never holds
// a partial body, whatever ends the program. While it lives, the target counts as taken for the same-name rules:
// two downloads of one process never aim at the same name, and no stand-in file has to mark it on disk.
// The hidden file is locked while open; a body file nobody holds locked is what an interrupted run left behind.
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
    bool write(const char *data, qint64 length);
    bool write(const QByteArray &data) { return write(data.constData(), data.size()); }
    qint64 length() const { return m_length; }
    bool isOpen() const { return m_file.isOpen(); }
    // The body is whole: it replaces whatever has the target's name (a link is replaced, never followed).
    // False when it could not be written out; the body is gone then.
    bool commit();
    // The body is dropped (also what the destructor does to a body not committed).
    void discard();

    // Why the last open, write or commit failed (an errno value; 0 when none failed or the reason is unknown).
    int systemError() const { return m_systemError; }

    QString targetPath() const { return m_target; }
    QString temporaryPath() const { return m_temporary; }

    // The hidden file a body for `targetPath` grows in: the same for the same target, so a rerun finds it.
    static QString TemporaryPathFor(const QString &targetPath);
    // True while a body file of this process aims at the path.
    static bool IsReserved(const QString &targetPath);
    // Removes the body files in the folder that no download holds open (left by a run that was killed).
    // The number removed.
    static int RemoveLeftovers(const QString &folder);

private:
    QString m_target;
    QString m_temporary;
    QFile m_file; // opened on a descriptor, so it does not know its own name
    qint64 m_length = 0;
    bool m_failed = false;
    int m_systemError = 0;
};
