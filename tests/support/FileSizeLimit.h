#pragma once

#include <csignal>

#include <sys/resource.h>

// Limits the size of the files this process writes while it lives: writes past the limit fail
// with EFBIG, as on a full disk, instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    struct rlimit m_saved {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};
