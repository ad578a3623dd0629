#include "agent/app/OvixAgentClient.h"

#include "agent/app/AgentAutomationIds.h"
#include "common/MainClientContract.h"
#include "platform/automation/AutomationRegistry.h"
#include "platform/bstr/BstrText.h"

namespace ovix::agent {

using platform::DispatchArgs;
using platform::DispatchValue;
using platform::HResult;

namespace {

// A reply whose value has another type than the interface promises is a broken server.
template <typename T>
HResult TakeValue(HResult call, const DispatchValue& value, T& out) {
    if (call != platform::kS_OK) {
        return call;
    }
    const T* typed = std::get_if<T>(&value);
    if (typed == nullptr) {
        return platform::kDISP_E_TYPEMISMATCH;
    }
    out = *typed;
    return platform::kS_OK;
}

// Calls a method that takes an address by reference and answers an int32; the address the
// server handed back replaces the caller's.
HResult InvokeWithAddress(platform::CDispatchClient& dispatch, int32_t dispId, std::string& address,
                          int32_t& result) {
    DispatchArgs args = {address};
    DispatchValue value;
    const HResult call = TakeValue(dispatch.Invoke(dispId, args, value), value, result);
    if (call == platform::kS_OK) {
        if (const auto* text = std::get_if<std::string>(&args[0])) {
            address = *text;
        }
    }
    return call;
}

// Runs a UTF-8 string method on the text of *address and hands the answer back as a BSTR.
template <typename Method>
HResult WithBstr(BSTR* address, Method method) {
    if (address == nullptr) {
        return platform::kE_INVALIDARG;
    }
    std::string text = platform::Utf8FromBstr(*address);
    const HResult call = method(text);
    if (call != platform::kS_OK) {
        return call;
    }
    BSTR answer = platform::BstrFromUtf8(text);
    if (answer == nullptr) {
        return platform::kE_OUTOFMEMORY;
    }
    SysFreeString(*address);
    *address = answer;
    return call;
}

}  // namespace

HResult COvixAgentClient::Create(std::unique_ptr<COvixAgentClient>& client, std::string& error,
                                 const platform::DispatchClientOptions& options,
                                 const std::string& registryFile) {
    client.reset();
    std::unique_ptr<platform::CDispatchClient> dispatch;
    const std::string file =
        registryFile.empty() ? platform::AutomationRegistryPath() : registryFile;
    const HResult created =
        platform::CreateObjectFromRegistry(file, contract::kAgentProgId, options, dispatch, error);
    if (created == platform::kS_OK) {
        client = std::make_unique<COvixAgentClient>(std::move(dispatch));
    }
    return created;
}

COvixAgentClient::COvixAgentClient(std::unique_ptr<platform::CDispatchClient> dispatch)
    : dispatch_(std::move(dispatch)) {}

HResult COvixAgentClient::StartAgent(std::string& address, int32_t& result) {
    return InvokeWithAddress(*dispatch_, kDispStartAgent, address, result);
}

HResult COvixAgentClient::StartAgent(BSTR* address, int32_t& result) {
    return WithBstr(address, [&](std::string& text) { return StartAgent(text, result); });
}

HResult COvixAgentClient::GetSIPAddr(BSTR* address, int32_t& result) {
    return WithBstr(address, [&](std::string& text) { return GetSIPAddr(text, result); });
}

HResult COvixAgentClient::StopAgent(int32_t& result) {
    DispatchArgs args;
    DispatchValue value;
    return TakeValue(dispatch_->Invoke(kDispStopAgent, args, value), value, result);
}

HResult COvixAgentClient::GetSIPAddr(std::string& address, int32_t& result) {
    return InvokeWithAddress(*dispatch_, kDispGetSIPAddr, address, result);
}

HResult COvixAgentClient::Show(int32_t show) {
    DispatchArgs args = {show};
    DispatchValue value;
    return dispatch_->Invoke(kDispShow, args, value);
}

HResult COvixAgentClient::DisconnectTC(int32_t& result) {
    DispatchArgs args;
    DispatchValue value;
    return TakeValue(dispatch_->Invoke(kDispDisconnectTC, args, value), value, result);
}

HResult COvixAgentClient::GetSIPPort(int16_t& port, int16_t& result) {
    DispatchArgs args = {port};
    DispatchValue value;
    const HResult call = TakeValue(dispatch_->Invoke(kDispGetSIPPort, args, value), value, result);
    if (call == platform::kS_OK) {
        if (const auto* out = std::get_if<int16_t>(&args[0])) {
            port = *out;
        }
    }
    return call;
}

}  // namespace ovix::agent
