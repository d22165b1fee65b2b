#pragma once

#include "cli/BarLayout.h"

#include <QString>
#include <cstdio>

// The batch mode's running commentary on stderr: one line per event, and, when stderr is a terminal, a live
// progress bar on the line below the last event, redrawn in place and never wider than the terminal. Lines never
// mix with the bar. Quiet, only the errors are written.
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
    // The columns of the terminal `stream` is, read anew at each call so that a resize is followed; 0 when it
    // is no terminal.
    static int terminalColumns(std::FILE *stream);

    // Characters a terminal would act on are written as escapes (EscapeNonPrintable); "\n" still ends a line.
    void line(const QString &text);
    // A line that is written also when quiet: something failed or could not be done. It starts with the program's
    // name, and a message of several lines becomes one line.
    void error(const QString &text);
    // The bar, laid out for the terminal's width (LayoutBar). Ignored when not live.
    void bar(const BarState &state);
    void bar(const QString &stage, int value, int maximum) { bar(BarState{stage, value, maximum, {}, {}, {}, {}}); }
    // Draws the bar again at the terminal's current width (after a resize).
    void redrawBar();
    // Removes the bar for good (before the summary): a late update of the files does not bring it back beside the
    // summary's lines.
    void clearBar();
    // The width to lay the bar out for when the stream is no terminal (tests); 0: the terminal's.
    void setColumns(int columns) { m_columns = columns; }

private:
    void write(const QString &text);
    void writeLine(const QString &text);
    int columns() const;

    std::FILE *m_stream;
    bool m_live;
    bool m_quiet;
    int m_columns = 0;
    BarState m_state;
    QString m_bar; // as last drawn; empty when none is on screen
    bool m_barEnded = false;
};
