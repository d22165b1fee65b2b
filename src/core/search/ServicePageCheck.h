#pragma once

#include <QString>

struct PageLoad;
struct PageSnapshot;

// Whether the page the service answered with can be read for results. A page without results is usable (it says
// there are none); the others are not result pages at all and must not read as "no results".
enum class ServicePageState {
    Usable,
    // The service asks for a verification (its captcha page, or a redirect to another of its hosts).
    Verification,
    // The service answered with an HTTP error (4xx or 5xx; 429 when it refuses the request rate).
    Refused,
    // No page arrived: connection refused, name not resolved, TLS failure, time-out, the page's process ended.
    Unreachable,
    // The page is larger than the program reads out of the browser.
    TooLarge,
    // During a wait, the browser went on showing a page that is neither a result page nor one of the above (a page
    // a verification returns through, say) for longer than a redirect takes.
    NotResultPage,
};

// Reasons the program words itself, so that each view can give them in the language of its own lines.
enum class ServiceReasonKind {
    // As the browser or the service gave it (an HTTP status, the browser's error, a page title or host).
    Given,
    // The search page did not finish loading within `amount` seconds.
    NoAnswer,
    // The page's text is `amount` MiB, over the `limit` MiB the program reads.
    TooLarge,
};

struct ServicePageVerdict {
    ServicePageState state = ServicePageState::Usable;
    // What went wrong, in a few words (the HTTP status, the browser's reason); empty when usable.
    QString reason;
    // The HTTP status of a refusal; 0 otherwise.
    int httpStatus = 0;
    ServiceReasonKind reasonKind = ServiceReasonKind::Given;
    double amount = 0;
    double limit = 0;

    bool usable() const { return state == ServicePageState::Usable; }
};

// Judges the page a search or page turn ended on: how its load ended, its title and its text, against the
// service's base address (scheme and host, as the search addresses are built from).
ServicePageVerdict JudgeServicePage(const PageLoad &load, const QString &title, const QString &pageText,
                                    const QString &serviceBase);

// Judges a page read out of the browser: a page too large to read, else as JudgeServicePage.
ServicePageVerdict JudgeServiceSnapshot(const PageLoad &load, const QString &title, const PageSnapshot &page,
                                        const QString &serviceBase);

// The search page still loading after `seconds`: the service cannot be reached.
ServicePageVerdict NoAnswerVerdict(qint64 seconds);

// The verdict's reason in the windows' words: the program's own reasons in Chinese, what the browser or the service
// said as it came.
QString ServiceReasonForWindows(const ServicePageVerdict &verdict);

// The service refused this one request, not the program: its address too long (414) or malformed (400), or no
// such page (404). Another keyword may well be answered; a verification, 429 or no answer at all concern every one.
bool RefusesOnlyTheRequest(const ServicePageVerdict &verdict);

// Whether the page is what a search or page turn leads to: results, the service's "no results" text, or a single
// document's page. Only such a page ends a wait; any other ordinary page may be on its way back to one.
bool IsResultPage(const PageSnapshot &page);

// What happened, in a few words with the reason ("the search service asks for a verification (百度安全验证)").
QString ServiceProblemWhat(const ServicePageVerdict &verdict);

// One line for the user: what happened, for which keyword and on which page (both cut to a readable length).
QString ServiceProblemText(const ServicePageVerdict &verdict, const QString &keyword, const QString &address);
