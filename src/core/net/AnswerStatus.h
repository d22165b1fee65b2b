#pragma once

#include <optional>

class QNetworkReply;

// The HTTP status of the answer a reply carries, or nothing while there is no answer yet: before the response
// headers, and while they are those of a redirect that Qt goes on to follow.
std::optional<int> AnswerStatus(const QNetworkReply &reply);
