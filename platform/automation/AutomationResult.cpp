#include "platform/automation/AutomationResult.h"

namespace ovix::platform {

const char* DescribeHResult(HResult result) {
    switch (result) {
        case kS_OK:
            return "success";
        case kE_FAIL:
            return "unspecified failure";
        case kE_INVALIDARG:
            return "invalid argument";
        case kE_OUTOFMEMORY:
            return "out of memory";
        case kCO_E_CLASSSTRING:
            return "the ProgID is not registered";
        case kREGDB_E_CLASSNOTREG:
            return "the class has no local server registered";
        case kREGDB_E_READREGDB:
            return "the registry entry is malformed";
        case kCO_E_SERVER_EXEC_FAILURE:
            return "the server program could not be started or ended during start-up";
        case kCO_E_RELEASED:
            return "the object has been released";
        case kRPC_E_DISCONNECTED:
            return "the server process is gone";
        case kRPC_E_TIMEOUT:
            return "the server did not answer in time";
        case kRPC_E_INVALID_DATAPACKET:
            return "malformed message on the automation channel";
        case kDISP_E_MEMBERNOTFOUND:
            return "no such method";
        case kDISP_E_TYPEMISMATCH:
            return "argument of the wrong type";
        case kDISP_E_BADPARAMCOUNT:
            return "wrong number of arguments";
        default:
            return result >= 0 ? "success" : "failure";
    }
}

}  // namespace ovix::platform
