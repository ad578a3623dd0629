// The updater's own HTTP/1.1 client: one object fetches one URL into one file. SendRequest
// runs one exchange up to the end of the response header (redirects included); DownloadFile
// drives it with a temporary ".down" file and resumes a dropped body with a Range request;
// StartWorker runs DownloadFile on a thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "updater/http/SuspendedThread.h"
#include "updater/net/ReceiveBuffer.h"

namespace ovix::updater {

// Results of SendRequest.
enum HttpResult : int {
    kHttpOk = 0,          // header accepted, the body follows
    kHttpNetFailure = 1,  // connect, send or receive failure, or a server error (5xx)
    kHttpRedirect = 2,    // ParseResponseHeader only: a redirect was taken
    kHttpFailure = 3,     // any other failure
    kHttpDiskFull = 4,    // the body would not fit on the disk
};

// Results of DownloadFile and of a job.
enum DownloadResult : int {
    kDownloadCompleted = 0,
    kDownloadFailed = 3,
};

class CHttpDownload {
public:
    static constexpr int kReceiveBufferSize = 10240;
    // Body blocks move from the socket straight to the file in this size: large enough that
    // a fast local server is not held back by per-call costs, fixed whatever the file's size.
    static constexpr int kBodyBlockSize = 131072;
    static constexpr int kMaxRedirects = 10;          // per SendRequest
    static constexpr int kMaxSendTimeoutRepeats = 3;  // per SendRequest
    static constexpr int kMaxFruitlessRequests = 5;   // re-requests in a row without new bytes
    static constexpr std::size_t kMaxHeaderLength = 65536;

    CHttpDownload();
    ~CHttpDownload();
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    // Splits "http://host[:port]/path". False for another scheme, no "/" after the host, or
    // a port that is not a number from 1 to 65535.
    static bool ParseUrl(const std::string& url, std::string* host, std::string* path,
                         std::uint16_t* port);

    bool ConnectServer();
    void Disconnect();
    int SendRequest();
    int ParseResponseHeader(const std::string& header, std::int64_t* contentLength, int* status,
                            std::int64_t* lastModified);

    // 0 completed and put in place, 3 failed (DiskFull() tells the disk-space refusal).
    int DownloadFile(const std::string& url, const std::string& path);

    // Stores the job and makes the worker that will run DownloadFile on it; it runs once
    // ResumeWorker is called. False when the thread cannot be made (the result stays 3).
    bool StartWorker(const std::string& url, const std::string& path);
    void ResumeWorker();
    // Waits for the worker to end.
    void WaitWorker();
    // Asks a running job to stop at its next step; it then ends with result 3.
    void RequestStop() { m_stopRequested = true; }

    // The URL to fetch; DownloadFile sets it, tests may set it for SendRequest alone.
    bool SetUrl(const std::string& url);
    void SetTemporaryPath(const std::string& path) { m_temporaryPath = path; }
    void SetTimeouts(int connectMs, int sendMs, int receiveMs);

    int Result() const { return m_result; }
    bool DiskFull() const { return m_diskFull != 0; }
    const std::string& HeaderText() const { return m_headerText; }
    bool Appending() const { return m_appending != 0; }
    std::int64_t TotalSize() const { return m_totalSize; }
    std::int64_t BytesDone() const { return m_bytesDone; }
    std::int64_t ContentLength() const { return m_contentLength; }
    std::int64_t LastModified() const { return m_lastModified; }

private:
    enum class BodyOutcome { kComplete, kDropped, kFileFailed, kStopped };
    std::string BuildRequest(bool* rangeSent);
    int ReadResponseHeader();
    int TakeRedirect(const std::string& lowerHeader);
    int AcceptSizes(bool rangeSent, int status, std::int64_t contentLength);
    // Reads the body into the temporary file.
    BodyOutcome ReceiveBody();

    std::string m_url;
    std::string m_targetPath;
    std::string m_temporaryPath;
    int m_appending = 0;
    std::int64_t m_totalSize = 0;
    std::int64_t m_bytesDone = 0;
    std::int64_t m_contentLength = 0;
    std::int64_t m_bytesReceived = 0;
    std::size_t m_headerLength = 0;
    std::string m_headerText;
    std::int64_t m_lastModified = 0;
    std::string m_referer;
    std::string m_userAgent = "HttpDownload/2.0";
    int m_connectTimeoutMs = 10000;
    int m_receiveTimeoutMs = 100000;
    int m_sendTimeoutMs = 10000;
    std::string m_host;
    std::string m_path;
    std::uint16_t m_port = 80;
    int m_socket = -1;
    std::unique_ptr<CReceiveBuffer> m_receiveBuffer;

    std::string m_jobUrl;
    std::string m_jobPath;
    std::vector<char> m_bodyBuffer;  // kBodyBlockSize bytes and a closing zero
    int m_diskFull = 0;
    int m_result = kDownloadFailed;
    std::atomic<bool> m_stopRequested{false};
    CSuspendedThread m_worker;  // last member: joined before the others go
};

}  // namespace ovix::updater
