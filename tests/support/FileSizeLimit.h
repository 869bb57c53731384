#pragma once

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>

namespace orvex::test {

// While it lives, no file of this process grows beyond `bytes`: a write across the limit is
// cut short and the next one fails, as on a disk that fills up (the kernel's signal for it
// is ignored meanwhile). Linux only.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};

} // namespace orvex::test
#endif
