// The client end of one automation object in its own server process. Calls are synchronous
// request and reply. Once the server is gone, a reply is late or the channel carried
// garbage, the client is broken and every later call fails at once; nothing waits forever.
// One thread at a time may use a client.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/automation/AutomationChannel.h"
#include "platform/automation/DispatchValue.h"
#include "platform/sys/ProcessHandle.h"

namespace ovix::platform {

struct DispatchClientOptions {
    int startTimeoutMs = 20000;  // server start until the object exists
    int callTimeoutMs = 10000;   // one call until its reply
    int releaseWaitMs = 5000;    // release until the server process has ended
};

class CDispatchClient {
public:
    // Takes ownership of the channel descriptor; serverPid is the process to reap.
    CDispatchClient(int fd, pid_t serverPid, const DispatchClientOptions& options);
    ~CDispatchClient();
    CDispatchClient(const CDispatchClient&) = delete;
    CDispatchClient& operator=(const CDispatchClient&) = delete;

    // Waits for the server's word that the object exists.
    HResult WaitUntilReady();

    // Calls method dispId. args are sent and replaced by what the server returns (by-reference
    // arguments). result gets the method's result. The call's own result, or a transport
    // failure (RPC_E_DISCONNECTED, RPC_E_TIMEOUT, RPC_E_INVALID_DATAPACKET, CO_E_RELEASED).
    HResult Invoke(int32_t dispId, DispatchArgs& args, DispatchValue& result);

    // Closes the channel (the server treats the object as released) and waits, up to
    // releaseWaitMs, for the server process to end. Safe to call twice.
    void Release();

    pid_t ServerProcessId() const { return server_.Pid(); }
    // True once the server process has ended and was reaped by this client.
    bool ServerEnded() const { return serverEnded_; }
    bool IsBroken() const { return broken_; }
    // Text of the last failure, for error messages.
    const std::string& LastError() const { return lastError_; }

private:
    HResult Fail(HResult result, std::string text);
    // Reaps the server if it has ended; waits up to waitMs for that.
    bool ReapServer(int waitMs);

    CAutomationChannel channel_;
    CProcessHandle server_;
    DispatchClientOptions options_;
    uint32_t nextCallId_ = 1;
    bool broken_ = false;
    bool released_ = false;
    bool serverEnded_ = false;
    std::string lastError_;
};

// Creates the object registered under progId in registryFile: looks up its server, starts a
// new server process with the automation option and a private channel, and waits until the
// object exists. S_OK with client set, or CO_E_CLASSSTRING / REGDB_E_READREGDB /
// REGDB_E_CLASSNOTREG (registry), CO_E_SERVER_EXEC_FAILURE (program missing, not executable,
// ended or silent during start-up). error gets a one-line explanation.
HResult CreateObjectFromRegistry(const std::string& registryFile, std::string_view progId,
                                 const DispatchClientOptions& options,
                                 std::unique_ptr<CDispatchClient>& client, std::string& error);

// The same with the registry file of the settings folder.
HResult CreateObjectByProgId(std::string_view progId, const DispatchClientOptions& options,
                             std::unique_ptr<CDispatchClient>& client, std::string& error);

}  // namespace ovix::platform
