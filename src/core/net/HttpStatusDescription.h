#pragma once

#include <QString>

// The Chinese description the request component hands to its error event for an HTTP status: the fixed texts
// its hosts have always received, typing slips included. Statuses 0 to 600 without a description give the empty
// text; so does a status outside that range, for which the component raises no error event at all.
inline constexpr int kHighestDescribedStatus = 600;

QString HttpStatusDescription(int status);
