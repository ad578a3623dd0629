#include "updater/http/HttpDownload.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>

#include "platform/net/WinsockError.h"
#include "updater/http/DownloadTempFile.h"
#include "updater/http/FreeDiskSpace.h"
#include "updater/http/HttpDate.h"
#include "updater/http/HttpText.h"
#include "updater/http/LocalFiles.h"
#include "updater/net/NetError.h"
#include "updater/net/SocketPrimitives.h"

namespace ovix::updater {

namespace {

constexpr int kHeaderReadLength = 1024;  // at most 1023 characters per read

// Cuts `url` back at its last "/" `times` times, each cut only while a "/" remains.
std::string CutBack(std::string url, int times) {
    for (int i = 0; i < times; ++i) {
        const size_t slash = url.rfind('/');
        if (slash == std::string::npos) {
            break;
        }
        url.erase(slash);
    }
    return url;
}

// The first byte of "bytes <first>-<last>/<total>"; none when it cannot be read.
std::optional<std::int64_t> ContentRangeStart(const std::string& lowerHeader) {
    const auto value = FindHeaderValue(lowerHeader, "content-range:");
    if (!value || value->rfind("bytes", 0) != 0) {
        return std::nullopt;
    }
    const std::string range = TrimBlanks(std::string_view(*value).substr(5));
    const size_t dash = range.find('-');
    if (dash == std::string::npos) {
        return std::nullopt;
    }
    return ParseDecimal(std::string_view(range).substr(0, dash));
}

}  // namespace

CHttpDownload::CHttpDownload() : m_bodyBuffer(kBodyBlockSize + 1, '\0') {}

CHttpDownload::~CHttpDownload() {
    RequestStop();
    m_worker.Stop();
    Disconnect();
}

bool CHttpDownload::ParseUrl(const std::string& url, std::string* host, std::string* path,
                             std::uint16_t* port) {
    host->clear();
    path->clear();
    *port = 0;
    const std::string text = TrimBlanks(url);
    const size_t separator = text.find("://");
    if (separator == std::string::npos) {
        return false;
    }
    const size_t restAt = separator + 3;
    if (ToLowerAscii(std::string_view(text).substr(0, restAt)) != "http://") {
        return false;
    }
    const size_t slash = text.find('/', restAt);
    if (slash == std::string::npos) {
        return false;
    }
    const std::string hostPort = text.substr(restAt, slash - restAt);
    const size_t colon = hostPort.find(':');
    std::uint16_t number = 80;
    if (colon != std::string::npos) {
        const auto parsed = ParseDecimal(std::string_view(hostPort).substr(colon + 1));
        if (!parsed || *parsed < 1 || *parsed > 65535) {
            return false;
        }
        number = static_cast<std::uint16_t>(*parsed);
    }
    const std::string name = hostPort.substr(0, colon);
    if (name.empty()) {
        return false;
    }
    *host = name;
    *path = text.substr(slash);
    *port = number;
    return true;
}

bool CHttpDownload::SetUrl(const std::string& url) {
    std::string host;
    std::string path;
    std::uint16_t port = 0;
    if (!ParseUrl(url, &host, &path, &port)) {
        return false;
    }
    m_url = TrimBlanks(url);
    m_host = host;
    m_path = path;
    m_port = port;
    return true;
}

void CHttpDownload::SetTimeouts(int connectMs, int sendMs, int receiveMs) {
    m_connectTimeoutMs = connectMs;
    m_sendTimeoutMs = sendMs;
    m_receiveTimeoutMs = receiveMs;
}

bool CHttpDownload::ConnectServer() {
    Disconnect();
    m_socket = CreateStreamSocket();
    if (m_socket == kNoSocket) {
        return false;
    }
    m_receiveBuffer = CReceiveBuffer::Create(m_socket, kReceiveBufferSize);
    return m_receiveBuffer != nullptr;
}

void CHttpDownload::Disconnect() {
    m_receiveBuffer.reset();
    if (m_socket != kNoSocket) {
        CloseSocket(m_socket);
        m_socket = kNoSocket;
    }
}

std::string CHttpDownload::BuildRequest(bool* rangeSent) {
    std::string request = "GET " + m_path + " HTTP/1.1\r\n";
    request += "Host: " + m_host + "\r\n";
    request += "Accept: */*\r\n";
    request += "Pragma: no-cache\r\n";
    request += "Cache-Control: no-cache\r\n";
    request += "User-Agent: " + m_userAgent + "\r\n";
    if (!m_referer.empty()) {
        request += "Referer: " + m_referer + "\r\n";
    }
    request += "Connection: close\r\n";
    *rangeSent = false;
    if (!m_temporaryPath.empty()) {
        if (const auto size = FileSizeOf(m_temporaryPath)) {
            m_bytesDone = *size;
            if (*size > 0) {
                request += "Range: bytes=" + std::to_string(*size) + "-\r\n";
                *rangeSent = true;
            }
        }
    }
    request += "\r\n";
    return request;
}

int CHttpDownload::ReadResponseHeader() {
    std::string header;
    char line[kHeaderReadLength + 1];
    for (;;) {
        std::memset(line, 0, sizeof line);
        int status = 0;
        if (m_receiveBuffer->ReadLine(line, kHeaderReadLength, &status, m_receiveTimeoutMs) != 0) {
            m_headerText = header;
            m_headerLength = header.size();
            return kHttpNetFailure;
        }
        const size_t length = std::strlen(line);
        if (length == 0) {
            break;
        }
        header.append(line, length);
        if (status == 0) {
            header += "\r\n";
        }
        if (header.size() > kMaxHeaderLength) {
            m_headerText = header;
            m_headerLength = header.size();
            return kHttpFailure;
        }
    }
    m_headerText = header;
    m_headerLength = header.size();
    return kHttpOk;
}

int CHttpDownload::SendRequest() {
    int redirects = 0;
    int sendRepeats = 0;
    for (;;) {
        if (m_stopRequested) {
            return kHttpFailure;
        }
        m_bytesDone = 0;
        m_contentLength = 0;
        m_headerText.clear();
        m_headerLength = 0;
        if (!ConnectServer()) {
            return kHttpFailure;
        }
        if (ConnectToHost(m_socket, m_host.c_str(), m_port, m_connectTimeoutMs, true) != 0) {
            return kHttpNetFailure;
        }
        bool rangeSent = false;
        const std::string request = BuildRequest(&rangeSent);
        const long length = static_cast<long>(request.size());
        if (SendAll(m_socket, request.data(), length, m_sendTimeoutMs) < length) {
            if (GetLastNetError() == platform::kWsaETIMEDOUT &&
                ++sendRepeats <= kMaxSendTimeoutRepeats) {
                continue;
            }
            return kHttpNetFailure;
        }
        const int read = ReadResponseHeader();
        if (read != kHttpOk) {
            return read;
        }
        std::int64_t contentLength = 0;
        int status = 0;
        const int judged =
            ParseResponseHeader(m_headerText, &contentLength, &status, &m_lastModified);

        std::uint64_t freeBytes = 0;
        GetFreeDiskSpace(&freeBytes);
        if (contentLength > 0 && static_cast<std::uint64_t>(contentLength) > freeBytes) {
            return kHttpDiskFull;
        }
        switch (judged) {
            case kHttpOk:
                return AcceptSizes(rangeSent, status, contentLength);
            case kHttpRedirect:
                if (++redirects > kMaxRedirects) {
                    return kHttpFailure;
                }
                continue;
            case kHttpNetFailure:
                return kHttpNetFailure;
            default:
                return kHttpFailure;
        }
    }
}

int CHttpDownload::AcceptSizes(bool rangeSent, int status, std::int64_t contentLength) {
    m_contentLength = contentLength;
    m_appending = 0;
    if (!rangeSent) {
        m_totalSize = contentLength;
        return kHttpOk;
    }
    if (status != 206) {
        // The whole file again: it replaces the temporary file from its start.
        m_bytesDone = 0;
        m_totalSize = contentLength;
        return kHttpOk;
    }
    // A partial body must continue exactly where the temporary file ends.
    const auto start = ContentRangeStart(ToLowerAscii(m_headerText));
    if (!start || *start != m_bytesDone ||
        contentLength > std::numeric_limits<std::int64_t>::max() - m_bytesDone) {
        return kHttpFailure;
    }
    m_appending = 1;
    m_totalSize = m_bytesDone + contentLength;
    return kHttpOk;
}

int CHttpDownload::ParseResponseHeader(const std::string& header, std::int64_t* contentLength,
                                       int* status, std::int64_t* lastModified) {
    *contentLength = 0;
    *status = 0;
    *lastModified = static_cast<std::int64_t>(std::time(nullptr));
    const std::string lower = ToLowerAscii(header);

    const size_t lineEnd = lower.find("\r\n");
    if (lineEnd == std::string::npos) {
        return kHttpFailure;
    }
    const std::string statusLine = TrimBlanks(std::string_view(lower).substr(0, lineEnd));
    const size_t firstSpace = statusLine.find(' ');
    if (firstSpace == std::string::npos) {
        return kHttpFailure;
    }
    const size_t nextSpace = statusLine.find(' ', firstSpace + 1);
    if (nextSpace == std::string::npos) {
        return kHttpFailure;  // no reason phrase
    }
    const auto code = ParseDecimal(
        std::string_view(statusLine).substr(firstSpace + 1, nextSpace - firstSpace - 1));
    if (!code || *code > 999) {
        return kHttpFailure;
    }
    *status = static_cast<int>(*code);

    if (*status >= 300 && *status <= 399) {
        return TakeRedirect(lower);
    }
    if (*status >= 500) {
        return kHttpNetFailure;
    }
    if (*status >= 400) {
        return kHttpFailure;
    }
    const auto lengthText = FindHeaderValue(lower, "content-length:");
    if (!lengthText) {
        return kHttpFailure;  // no chunked or close-delimited bodies
    }
    const auto length = ParseDecimal(*lengthText);
    if (!length) {
        return kHttpFailure;
    }
    *contentLength = *length;
    if (const auto date = FindHeaderValue(lower, "last-modified:")) {
        if (const auto instant = ParseHttpDate(*date)) {
            *lastModified = *instant;
        }
    }
    return kHttpOk;
}

int CHttpDownload::TakeRedirect(const std::string& lowerHeader) {
    const auto location = FindHeaderValue(lowerHeader, "location:");
    if (!location) {
        return kHttpFailure;
    }
    std::string value = *location;
    m_referer = m_url;
    if (value.find("http://") != std::string::npos) {
        return SetUrl(value) ? kHttpRedirect : kHttpFailure;
    }
    std::replace(value.begin(), value.end(), '\\', '/');
    if (!value.empty() && value[0] == '/') {
        m_path = value;
        return kHttpRedirect;
    }
    int ups = 0;
    for (size_t at = value.find("../"); at != std::string::npos; at = value.find("../")) {
        value = value.substr(at + 3);
        ++ups;
    }
    return SetUrl(CutBack(m_url, ups + 1) + "/" + value) ? kHttpRedirect : kHttpFailure;
}

CHttpDownload::BodyOutcome CHttpDownload::ReceiveBody() {
    CDownloadTempFile file;
    if (!file.Open(m_temporaryPath, m_appending != 0)) {
        return BodyOutcome::kFileFailed;
    }
    m_bytesReceived = 0;
    while (m_bytesReceived < m_contentLength) {
        if (m_stopRequested) {
            return BodyOutcome::kStopped;
        }
        // Never more than the announced length, whatever the server sends after it.
        const long wanted = static_cast<long>(
            std::min<std::int64_t>(kBodyBlockSize, m_contentLength - m_bytesReceived));
        const long got =
            m_receiveBuffer->ReadBlock(m_bodyBuffer.data(), wanted, m_receiveTimeoutMs);
        if (got <= 0 || !file.Write(m_bodyBuffer.data(), static_cast<size_t>(got))) {
            return BodyOutcome::kDropped;
        }
        m_bytesReceived += got;
        m_bytesDone += got;
    }
    file.Close();
    Disconnect();
    return BodyOutcome::kComplete;
}

int CHttpDownload::DownloadFile(const std::string& url, const std::string& path) {
    const std::string trimmedUrl = TrimBlanks(url);
    if (trimmedUrl.empty()) {
        return kDownloadFailed;
    }
    if (!SetUrl(trimmedUrl) && !SetUrl("http://" + trimmedUrl)) {
        return kDownloadFailed;
    }
    m_targetPath = TrimBlanks(path);
    if (m_targetPath.empty()) {
        return kDownloadFailed;
    }
    m_temporaryPath = m_targetPath + ".down";
    m_bytesReceived = 0;
    m_bytesDone = 0;
    m_totalSize = 0;
    m_contentLength = 0;

    // A server that keeps dropping the body without the file ever growing past what it
    // already reached would otherwise keep the job running for good.
    std::int64_t furthest = 0;
    int fruitless = 0;
    for (;;) {
        const int sent = SendRequest();
        if (sent == kHttpDiskFull) {
            m_diskFull = 1;
            return kDownloadFailed;
        }
        if (sent != kHttpOk || m_contentLength == 0) {
            return kDownloadFailed;
        }
        const BodyOutcome body = ReceiveBody();
        if (body == BodyOutcome::kComplete) {
            break;
        }
        if (body != BodyOutcome::kDropped) {
            return kDownloadFailed;
        }
        if (m_bytesDone > furthest) {
            furthest = m_bytesDone;
            fruitless = 0;
        } else if (++fruitless >= kMaxFruitlessRequests) {
            return kDownloadFailed;
        }
    }
    if (!PutInPlace(m_temporaryPath, m_targetPath)) {
        return kDownloadFailed;  // the previous target stays; never report a file not there
    }
    StampModificationTime(m_targetPath, m_lastModified);
    return kDownloadCompleted;
}

bool CHttpDownload::StartWorker(const std::string& url, const std::string& path) {
    m_jobUrl = url;
    m_jobPath = path;
    return m_worker.Create([this] { m_result = DownloadFile(m_jobUrl, m_jobPath); });
}

void CHttpDownload::ResumeWorker() {
    m_worker.Resume();
}

void CHttpDownload::WaitWorker() {
    m_worker.Join();
}

}  // namespace ovix::updater
