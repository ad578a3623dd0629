#include "bench/relay/SipProbe.h"

#include <cstdio>
#include <cstring>

namespace ovix::bench {

namespace {

// The header line that starts with name (case as written by the probe), without CR LF.
std::string HeaderLine(const std::string& message, const char* name) {
    size_t at = message.find(std::string("\r\n") + name);
    if (at == std::string::npos) {
        return {};
    }
    at += 2;
    const size_t end = message.find("\r\n", at);
    return message.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

}  // namespace

std::string BuildOptionsProbe(uint32_t sequence, int64_t sentNs, const std::string& localHostPort,
                              const std::string& targetHostPort) {
    char callId[96];
    std::snprintf(callId, sizeof(callId), "bench-%u-%lld", sequence,
                  static_cast<long long>(sentNs));
    return "OPTIONS sip:ping@" + targetHostPort + " SIP/2.0\r\n" + "Via: SIP/2.0/UDP " +
           localHostPort + ";branch=z9hG4bK" + callId + ";rport\r\n" + "Max-Forwards: 70\r\n" +
           "From: <sip:bench@" + localHostPort + ">;tag=" + std::to_string(sequence) + "\r\n" +
           "To: <sip:ping@" + targetHostPort + ">\r\n" + "Call-ID: " + callId + "\r\n" +
           "CSeq: " + std::to_string(sequence + 1) + " OPTIONS\r\n" + "Contact: <sip:bench@" +
           localHostPort + ">\r\n" + "Content-Length: 0\r\n\r\n";
}

std::string BuildOkAnswer(const std::string& request) {
    if (request.rfind("SIP/2.0", 0) == 0 || request.find(" SIP/2.0\r\n") == std::string::npos) {
        return {};
    }
    std::string answer = "SIP/2.0 200 OK\r\n";
    for (const char* name : {"Via:", "From:", "To:", "Call-ID:", "CSeq:"}) {
        answer += HeaderLine(request, name) + "\r\n";
    }
    return answer + "Content-Length: 0\r\n\r\n";
}

bool ReadOkAnswer(const std::string& answer, uint32_t& sequence, int64_t& sentNs) {
    if (answer.rfind("SIP/2.0 200", 0) != 0) {
        return false;
    }
    const std::string callId = HeaderLine(answer, "Call-ID:");
    unsigned parsedSequence = 0;
    long long parsedNs = 0;
    if (std::sscanf(callId.c_str(), "Call-ID: bench-%u-%lld", &parsedSequence, &parsedNs) != 2) {
        return false;
    }
    sequence = parsedSequence;
    sentNs = parsedNs;
    return true;
}

}  // namespace ovix::bench
