#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>

// What identifies one version of a body on its server, so that the rest of it can be asked for later: a strong
// entity tag or, without one, the time it was last modified. A weak tag never vouches for bytes, so it is not kept.
struct BodyValidators {
    QByteArray etag;
    QByteArray lastModified;

    static BodyValidators FromAnswer(QByteArrayView etag, QByteArrayView lastModified);
    bool isEmpty() const { return etag.isEmpty() && lastModified.isEmpty(); }
    // True when an answer carrying `answer` comes from the copy these validators name: the same strong tag, or
    // (kept without a tag) the same modification time.
    bool sameCopyAs(const BodyValidators &answer) const;
    // The value an If-Range header carries: the tag when there is one.
    QByteArray ifRange() const { return etag.isEmpty() ? lastModified : etag; }
};

// Where a body left by an earlier transfer stands: `offset` of its `total` bytes are on disk.
struct ResumePoint {
    qint64 offset = 0;
    qint64 total = 0;
    BodyValidators validators;

    // The request headers that ask for the rest, but only while the server's copy is still the one those bytes
    // came from; a changed copy comes whole.
    QByteArray rangeHeader() const { return "bytes=" + QByteArray::number(offset) + '-'; }
};

// What to do with the answer to a request for the rest of a body.
enum class ResumeAnswer {
    Append,    // 206 for exactly the bytes missing, of a body of the same length and the same copy
    StartOver, // 200: the server ignores ranges or its copy changed; the whole body comes
    AskAgain,  // 416, a range other than the one asked for, or a piece of another copy: ask for the whole body anew
    NotJudged, // any other status: the usual rules for it apply
};
// Both engines judge by this one rule. A 206 is only appended when its own validators (`answer`) name the copy the
// kept bytes came from: a server that honours Range but ignores If-Range sends the rest of whatever copy it has.
ResumeAnswer JudgeResumeAnswer(const ResumePoint &point, int status, QByteArrayView contentRange,
                               const BodyValidators &answer);

// The total length in "bytes first-last/total"; none when it is not given ("*") or the header cannot be read.
std::optional<qint64> ContentRangeTotal(QByteArrayView contentRange);
