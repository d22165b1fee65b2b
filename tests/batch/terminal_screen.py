#!/usr/bin/python3
"""Runs a program in a pseudo-terminal of the given size and prints what its screen and scroll-back show at the end.

Usage: terminal_screen.py [--type-after TEXT KEYS ...] COLUMNS PROGRAM [ARGUMENT ...]

Each --type-after types KEYS (with Python escapes: "\\x03" is Ctrl-C) once the program has written TEXT, after the
KEYS of the one before. The terminal is pyte's (an emulator that wraps long lines and gives Chinese characters two
columns, as terminals do). The first line printed is the program's exit status, the second the cursor's column at
the end, then every line of the screen, blank lines at the end left out.
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
    args = sys.argv[1:]
    typing = []
    while args[0] == "--type-after":
        typing.append((args[1].encode(), args[2].encode().decode("unicode_escape").encode()))
        args = args[3:]
    columns = int(args[0])
    argv = args[1:]
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
        while typing and typing[0][0] in output:
            os.write(fd, typing.pop(0)[1])
    _, status = os.waitpid(pid, 0)
    screen = pyte.Screen(columns, ROWS)
    stream = pyte.ByteStream(screen)
    stream.feed(bytes(output))
    lines = [line.rstrip() for line in screen.display]
    while lines and not lines[-1]:
        lines.pop()
    sys.stdout.write("%d\n" % os.waitstatus_to_exitcode(status))
    sys.stdout.write("%d\n" % screen.cursor.x)
    for line in lines:
        sys.stdout.write(line + "\n")


if __name__ == "__main__":
    main()
