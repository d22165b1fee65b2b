#pragma once

#include <QString>
#include <cstdio>

// The batch mode's running commentary on stderr: one line per event, and, when stderr is a terminal, a live
// progress bar on the line below the last event, redrawn in place. Lines never mix with the bar. Quiet, only the
// errors are written.
class BatchProgress final
{
public:
    // `live`: draw the bar (only sensible on a terminal). `quiet`: errors only, no bar.
    BatchProgress(std::FILE *stream, bool live, bool quiet = false);
    BatchProgress(const BatchProgress &) = delete;
    BatchProgress &operator=(const BatchProgress &) = delete;

    bool isLive() const { return m_live; }
    // Whether `stream` is an interactive terminal.
    static bool isTerminal(std::FILE *stream);

    // Characters a terminal would act on are written as escapes (EscapeNonPrintable); "\n" still ends a line.
    void line(const QString &text);
    // A line that is written also when quiet: something failed or could not be done.
    void error(const QString &text);
    // The bar: "<stage> [#####-----] value/maximum detail". Ignored when not live.
    void bar(const QString &stage, int value, int maximum, const QString &detail = {});
    // Removes the bar (before the summary).
    void clearBar();

private:
    void write(const QString &text);
    void writeLine(const QString &text);

    std::FILE *m_stream;
    bool m_live;
    bool m_quiet;
    QString m_bar; // as last drawn; empty when none is on screen
};
