// What an automation server exposes: one entry point taking a dispatch id and the
// arguments (changed in place for by-reference arguments) and giving a result value.
#pragma once

#include <cstdint>

#include "platform/automation/AutomationResult.h"
#include "platform/automation/DispatchValue.h"

namespace ovix::platform {

class IDispatchTarget {
public:
    virtual ~IDispatchTarget() = default;
    // S_OK, or DISP_E_MEMBERNOTFOUND / DISP_E_BADPARAMCOUNT / DISP_E_TYPEMISMATCH.
    virtual HResult Invoke(int32_t dispId, DispatchArgs& args, DispatchValue& result) = 0;
};

}  // namespace ovix::platform
