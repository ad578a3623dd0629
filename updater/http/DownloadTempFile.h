// The ".down" file a body is written into. Closed when dropped.
#pragma once

#include <cstddef>
#include <string>

namespace ovix::updater {

class CDownloadTempFile {
public:
    CDownloadTempFile() = default;
    ~CDownloadTempFile();
    CDownloadTempFile(const CDownloadTempFile&) = delete;
    CDownloadTempFile& operator=(const CDownloadTempFile&) = delete;

    // Creates the file when missing. Appending writes after its end; otherwise the file is
    // emptied and written from its start, so no stale bytes of an earlier body stay behind it.
    bool Open(const std::string& path, bool append);
    // Writes every byte or fails.
    bool Write(const char* bytes, std::size_t length);
    void Close();

private:
    int m_fd = -1;
};

}  // namespace ovix::updater
