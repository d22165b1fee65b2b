#pragma once

#include <QString>

// "64" when the operating system is 64-bit, else "32".
QString OperatingSystemBits();

// The running system's product name, its version and its kernel build, e.g.
// "Debian GNU/Linux 12 (bookworm) 版本:12 (内部版本:linux 6.1.0)".
QString WindowsVersionText();

// The operating-system description built once at start-up (the version text followed by "[64位]" or "[32位]")
// and kept for the whole run; the about box and the cache window show it.
QString SystemDescription();
// Builds the description; start-up calls it once.
void BuildSystemDescription();
