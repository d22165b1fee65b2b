#!/usr/bin/python3
"""Runs a program in a pseudo-terminal of the given size and prints what its screen and scroll-back show at the end.

Usage: terminal_screen.py COLUMNS PROGRAM [ARGUMENT ...]

The terminal is pyte's (an emulator that wraps long lines and gives Chinese characters two columns, as terminals
do). The first line printed is the program's exit status, then every line of the screen, blank lines at the end
left out.
"""
import fcntl
import os
import pty
import struct
import sys
import termios

import pyte

ROWS = 2000  # tall enough that nothing scrolls away


def main():
    columns = int(sys.argv[1])
    argv = sys.argv[2:]
    pid, fd = pty.fork()
    if pid == 0:
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, columns, 0, 0))
        os.execv(argv[0], argv)
    output = bytearray()
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:  # the program ended and the terminal closed
            break
        if not chunk:
            break
        output += chunk
    _, status = os.waitpid(pid, 0)
    screen = pyte.Screen(columns, ROWS)
    stream = pyte.ByteStream(screen)
    stream.feed(bytes(output))
    lines = [line.rstrip() for line in screen.display]
    while lines and not lines[-1]:
        lines.pop()
    sys.stdout.write("%d\n" % os.waitstatus_to_exitcode(status))
    for line in lines:
        sys.stdout.write(line + "\n")


if __name__ == "__main__":
    main()
