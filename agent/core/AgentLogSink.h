// Where the relay core writes its progress lines (UTF-8): the agent window's log list,
// or a recorder in tests. Called from several threads; the sink serialises them, and
// each thread's lines must appear in the order it wrote them.
#pragma once

#include <string_view>

namespace ovix::agent {

class IAgentLogSink {
public:
    virtual ~IAgentLogSink() = default;
    virtual void AddLogLine(std::string_view line) = 0;
};

}  // namespace ovix::agent
