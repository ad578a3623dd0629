#include "agent/app/COvixAgentDlgAutoProxy.h"

#include "agent/app/AgentAutomationIds.h"

namespace ovix::agent {

using platform::DispatchArgs;
using platform::DispatchValue;
using platform::HResult;

COvixAgentDlgAutoProxy::COvixAgentDlgAutoProxy(IAgentWindow* mainWindow, IAgentApplicationLock& app)
    : dialog_(mainWindow), app_(app) {
    app_.LockApp();
    if (dialog_ != nullptr) {
        dialog_->SetAutoProxy(this);
    }
}

COvixAgentDlgAutoProxy::~COvixAgentDlgAutoProxy() {
    if (dialog_ != nullptr) {
        dialog_->SetAutoProxy(nullptr);
        dialog_ = nullptr;
    }
    app_.UnlockApp();
}

int32_t COvixAgentDlgAutoProxy::StartAgent(const std::string& address) {
    return dialog_ == nullptr ? -1 : dialog_->StartAgent(address);
}

int32_t COvixAgentDlgAutoProxy::StopAgent() {
    return dialog_ == nullptr ? -1 : dialog_->StopAgent();
}

int32_t COvixAgentDlgAutoProxy::GetSIPAddr(std::string& address) {
    if (dialog_ != nullptr) {
        address = dialog_->SipBindAddress();
    }
    return 0;
}

void COvixAgentDlgAutoProxy::Show(int32_t show) {
    if (dialog_ != nullptr && show != 0) {
        dialog_->ShowWindow();
    }
}

int32_t COvixAgentDlgAutoProxy::DisconnectTC() {
    if (dialog_ != nullptr) {
        dialog_->DisconnectTunnel();
    }
    return 0;
}

int16_t COvixAgentDlgAutoProxy::GetSIPPort(int16_t* port) {
    if (dialog_ != nullptr && port != nullptr) {
        *port = static_cast<int16_t>(dialog_->SipPort());
    }
    return 0;
}

HResult COvixAgentDlgAutoProxy::Invoke(int32_t dispId, DispatchArgs& args, DispatchValue& result) {
    auto expectCount = [&](size_t count) { return args.size() == count; };
    switch (dispId) {
        case kDispStartAgent: {
            if (!expectCount(1)) {
                return platform::kDISP_E_BADPARAMCOUNT;
            }
            const auto* address = std::get_if<std::string>(&args[0]);
            if (address == nullptr) {
                return platform::kDISP_E_TYPEMISMATCH;
            }
            result = StartAgent(*address);
            return platform::kS_OK;
        }
        case kDispStopAgent:
            if (!expectCount(0)) {
                return platform::kDISP_E_BADPARAMCOUNT;
            }
            result = StopAgent();
            return platform::kS_OK;
        case kDispGetSIPAddr: {
            if (!expectCount(1)) {
                return platform::kDISP_E_BADPARAMCOUNT;
            }
            if (std::holds_alternative<std::monostate>(args[0])) {
                args[0] = std::string();
            }
            auto* address = std::get_if<std::string>(&args[0]);
            if (address == nullptr) {
                return platform::kDISP_E_TYPEMISMATCH;
            }
            result = GetSIPAddr(*address);
            return platform::kS_OK;
        }
        case kDispShow: {
            if (!expectCount(1)) {
                return platform::kDISP_E_BADPARAMCOUNT;
            }
            int32_t show = 0;
            if (const auto* i32 = std::get_if<int32_t>(&args[0])) {
                show = *i32;
            } else if (const auto* i16 = std::get_if<int16_t>(&args[0])) {
                show = *i16;
            } else {
                return platform::kDISP_E_TYPEMISMATCH;
            }
            Show(show);
            result = std::monostate{};
            return platform::kS_OK;
        }
        case kDispDisconnectTC:
            if (!expectCount(0)) {
                return platform::kDISP_E_BADPARAMCOUNT;
            }
            result = DisconnectTC();
            return platform::kS_OK;
        case kDispGetSIPPort: {
            // The out argument is optional: an empty value means "not given".
            if (args.size() > 1) {
                return platform::kDISP_E_BADPARAMCOUNT;
            }
            if (args.empty() || std::holds_alternative<std::monostate>(args[0])) {
                result = GetSIPPort(nullptr);
                return platform::kS_OK;
            }
            auto* port = std::get_if<int16_t>(&args[0]);
            if (port == nullptr) {
                return platform::kDISP_E_TYPEMISMATCH;
            }
            result = GetSIPPort(port);
            return platform::kS_OK;
        }
        default:
            return platform::kDISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace ovix::agent
