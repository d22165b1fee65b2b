#pragma once

#include <QString>

struct DownloadSettings;

// How engine 1 sets up the transfer control for one address: through the configured proxy or directly, and which
// protocol and port it connects to.
struct Engine1Connection {
    int accessType = 0; // 2 through the named proxy, else 0 (the system's default connection)
    QString proxy;      // proxy address + ":" + proxy port, or empty
    int protocol = 4;   // 5 HTTPS, 4 HTTP
    int remotePort = 80;
};

// The port written in a plain address: the text from its 9th character up to the first "/" at or after it, split
// at ":"; the second of exactly two parts when numeric, else 80. Without such a "/" (or with one before the 10th
// character) the port is 80.
int Engine1AddressPort(const QString &address);

// With the proxy on, the remote port is the proxy port's integer part and the address's own port is not looked
// at; without it, the address's port. An "https://" address always uses HTTPS on port 443.
Engine1Connection Engine1ConnectionFor(const QString &address, const DownloadSettings &settings);
