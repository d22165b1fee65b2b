#pragma once

#include <csignal>
#include <sys/resource.h>

// Caps the size of every file this process writes while it lives, so a write past `bytes` fails (EFBIG) the way
// a full disk makes it fail, instead of raising SIGXFSZ. Restores the earlier cap and signal handling.
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit capped = m_before;
        capped.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &capped) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_before{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_active = false;
};
