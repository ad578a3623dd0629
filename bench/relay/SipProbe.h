// SIP OPTIONS probes for the benchmark: the softphone side sends an OPTIONS whose Call-ID
// carries its sequence number and send time; the far side answers 200 OK with the request's
// Via, From, To, Call-ID and CSeq, as a registrar would.
#pragma once

#include <cstdint>
#include <string>

namespace ovix::bench {

std::string BuildOptionsProbe(uint32_t sequence, int64_t sentNs, const std::string& localHostPort,
                              const std::string& targetHostPort);

// The 200 OK for a request text; empty when the text is not a request.
std::string BuildOkAnswer(const std::string& request);

// Reads sequence and send time back from a probe's answer; false for anything else.
bool ReadOkAnswer(const std::string& answer, uint32_t& sequence, int64_t& sentNs);

}  // namespace ovix::bench
