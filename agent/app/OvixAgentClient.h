// Client library for the agent's automation object: creates "OvixAgent.Application" (a new
// agent process) and calls its six methods. Every call returns the transport's result
// (S_OK, or a failure such as RPC_E_DISCONNECTED when the agent process is gone) and passes
// the method's own result out. Strings are UTF-8.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation/DispatchClient.h"
#include "platform/bstr/OvixBstr.h"

namespace ovix::agent {

class COvixAgentClient {
public:
    // Creates the object through the registry file of the settings folder (or registryFile
    // when given). error gets a one-line explanation of a failure.
    static platform::HResult Create(std::unique_ptr<COvixAgentClient>& client, std::string& error,
                                    const platform::DispatchClientOptions& options = {},
                                    const std::string& registryFile = {});

    explicit COvixAgentClient(std::unique_ptr<platform::CDispatchClient> dispatch);

    platform::HResult StartAgent(std::string& address, int32_t& result);
    platform::HResult StopAgent(int32_t& result);
    platform::HResult GetSIPAddr(std::string& address, int32_t& result);
    platform::HResult Show(int32_t show);
    platform::HResult DisconnectTC(int32_t& result);
    // port is a 16-bit integer as the interface has it; cast to uint16_t for the port number.
    platform::HResult GetSIPPort(int16_t& port, int16_t& result);

    // The string methods as the interface declares them, with OLE Automation strings passed
    // by reference: *address is read (null is the empty string) and, on success, replaced by
    // a new string that the caller frees with SysFreeString (the old one is freed here).
    // On a failure *address is left as it was.
    platform::HResult StartAgent(BSTR* address, int32_t& result);
    platform::HResult GetSIPAddr(BSTR* address, int32_t& result);

    // Releases the object; the agent process of an automation start then ends.
    void Release() { dispatch_->Release(); }

    pid_t ServerProcessId() const { return dispatch_->ServerProcessId(); }
    bool ServerEnded() const { return dispatch_->ServerEnded(); }
    const std::string& LastError() const { return dispatch_->LastError(); }

private:
    std::unique_ptr<platform::CDispatchClient> dispatch_;
};

}  // namespace ovix::agent
