#pragma once

#include <QPointer>

// One rule for everything that runs on after a wait: coroutines, and calls queued for later.
//
// A coroutine suspended in a wait (waitForSignal, a chunk read, a pause) resumes from the event loop, and by then
// the object it works for may be gone: a window closed, a download slot unloaded, an engine destroyed. A modal
// message shown inside a step runs the event loop as well. So before its first wait a coroutine takes a guard of
// each object it still needs afterwards (`const auto self = lifetimeGuard(this);`), and after every co_await, and
// every call that may show a message, it returns at once when a guard is null, touching no member on the way out.
// A queued call captures a guard the same way and does nothing when it is null.
//
// Work that ends before its object does (one transfer of a Downloader that is reused for the next) gets a QObject
// of its own that lives exactly as long as that work; a guard of it tells a late call that its work is over.
//
// The guard is a QPointer: it turns null in the QObject destructor, and since waits resume only from the event
// loop (SignalWait.h), no coroutine can run between the object's destruction and the guard's turning null.
template <typename T> [[nodiscard]] QPointer<T> lifetimeGuard(T *object)
{
    return QPointer<T>(object);
}
