#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <optional>

// When a server that turned a request away is asked again. An answer 429 (too many requests) or 503 (unavailable)
// is retried after the delay its Retry-After header names (seconds or an HTTP date), at most two minutes; without
// one, after 5, 20 and 60 seconds. Three retries per address, then the answer stands.
namespace RetryRule {
inline constexpr int kMaxRetries = 3;
inline constexpr std::chrono::milliseconds kLongestDelay = std::chrono::seconds(120);

// Whether an answer with this HTTP status is worth asking again after a while.
bool IsRetryStatus(int httpStatus);
// Whether an answer with this status is asked again when `retriesSoFar` retries of the address have been made.
bool WillRetry(int httpStatus, int retriesSoFar);

// The delay a Retry-After value asks for, counted from `now`: whole seconds, or an HTTP date (IMF-fixdate,
// RFC 850 or asctime form). A date already past asks for none. Empty when the value is absent or unreadable.
std::optional<std::chrono::milliseconds> RetryAfterDelay(const QString &value, const QDateTime &now);

// The wait before asking again, when `retriesSoFar` retries of the address have been made and it answered
// `httpStatus` with `retryAfter` (the header's value, or empty); empty when it is not asked again.
std::optional<std::chrono::milliseconds> NextRetryDelay(int httpStatus, const QString &retryAfter, int retriesSoFar,
                                                        const QDateTime &now);
} // namespace RetryRule
