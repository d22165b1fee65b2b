#pragma once

#include <QCoroTask>
#include <QString>
#include <QUrl>
#include <chrono>

// For a browser engine that keeps the headers of a refused page to itself (Qt WebEngine before 6.6): asks the
// server once more when it may be asked again. One HEAD request for the same address, with the program's cookies
// (those of the browser, through the shared jar) and user agent, not redirected and never repeated. HEAD rather
// than GET: the server answers it with the same headers and no page to render or send, and nothing in its answer
// could be taken for the page. Gives the answer's Retry-After when the server refused this request too (429,
// 503); empty otherwise, also when no answer came within `limit` on the program's clock.
QCoro::Task<QString> AskRetryAfter(QUrl url, std::chrono::milliseconds limit);
