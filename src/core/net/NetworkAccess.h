#pragma once

#include <QByteArray>

class QNetworkAccessManager;
class QObject;

// A network access manager that keeps its cookies in the program's one jar (SharedCookieJar). Every manager the
// program sends requests through is made here.
QNetworkAccessManager *NewNetworkAccess(QObject *parent);

// The user agent every request of the program sends. The program's own until the web layer sets the embedded
// browser's, so that a site sees the fetches and the browser as one visitor.
QByteArray ProgramUserAgent();
void SetProgramUserAgent(const QByteArray &userAgent);
