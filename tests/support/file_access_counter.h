#pragma once
// Opens and reads of one file as the kernel reports them (inotify), whoever makes them: shows
// how often a refresh goes to the shared record file.
#include <QFile>
#include <QString>

#include <utility>
#ifndef _WIN32
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace kz::test {

#ifdef _WIN32
// Windows reports no opens or reads of a file to a watcher: the counts are checked on Linux.
class FileAccessCounter {
public:
    static constexpr bool kAvailable = false;
    explicit FileAccessCounter(const QString&) {}
    bool ok() const { return true; }
    std::pair<int, int> take() { return {}; }
};
#else

// Counts the opens and reads of one file as the kernel sees them, whoever makes them.
class FileAccessCounter {
public:
    static constexpr bool kAvailable = true;
    explicit FileAccessCounter(const QString& path) {
        m_fd = inotify_init1(IN_NONBLOCK);
        if (m_fd >= 0)
            inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS);
    }
    ~FileAccessCounter() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    // Opens and reads since the last call.
    std::pair<int, int> take() {
        int opens = 0, reads = 0;
        alignas(inotify_event) char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                if (e->mask & IN_OPEN) ++opens;
                if (e->mask & IN_ACCESS) ++reads;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return {opens, reads};
    }

private:
    int m_fd = -1;
};
#endif

} // namespace kz::test
