#include "updater/http/DownloadTempFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace ovix::updater {

CDownloadTempFile::~CDownloadTempFile() {
    Close();
}

bool CDownloadTempFile::Open(const std::string& path, bool append) {
    Close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        return false;
    }
    const bool placed = append ? ::lseek(m_fd, 0, SEEK_END) >= 0 : ::ftruncate(m_fd, 0) == 0;
    if (!placed) {
        Close();
        return false;
    }
    return true;
}

bool CDownloadTempFile::Write(const char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(m_fd, bytes, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void CDownloadTempFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace ovix::updater
