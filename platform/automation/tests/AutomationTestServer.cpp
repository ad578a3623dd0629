// Test server for the automation client: started by CreateObjectFromRegistry with the
// channel in the environment. Its behaviour before the object exists is chosen by the
// environment variable OVIX_TEST_SERVER_START: "silent" never says ready, "die" ends at once.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/automation/AutomationServerSession.h"
#include "platform/automation/AutomationServerStart.h"

namespace {

using namespace ovix::platform;

class CTestTarget : public IDispatchTarget {
public:
    HResult Invoke(int32_t dispId, DispatchArgs& args, DispatchValue& result) override {
        switch (dispId) {
            case 1: {  // Echo(text byref) -> length; text gets "!" appended
                if (args.size() != 1) {
                    return kDISP_E_BADPARAMCOUNT;
                }
                auto* text = std::get_if<std::string>(&args[0]);
                if (text == nullptr) {
                    return kDISP_E_TYPEMISMATCH;
                }
                *text += "!";
                result = static_cast<int32_t>(text->size());
                return kS_OK;
            }
            case 2:  // Die: ends without a reply
                _exit(3);
            case 3: {  // Sleep(ms)
                if (args.size() != 1 || !std::holds_alternative<int32_t>(args[0])) {
                    return kDISP_E_BADPARAMCOUNT;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(std::get<int32_t>(args[0])));
                return kS_OK;
            }
            case 4:  // ProcessId
                result = static_cast<int32_t>(getpid());
                return kS_OK;
            default:
                return kDISP_E_MEMBERNOTFOUND;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], kAutomationOption) != 0) {
        return 2;
    }
    const int fd = TakeAutomationChannelFd();
    if (fd < 0) {
        return 4;
    }
    const char* start = std::getenv("OVIX_TEST_SERVER_START");
    if (start != nullptr && std::strcmp(start, "die") == 0) {
        return 5;
    }
    if (start != nullptr && std::strcmp(start, "silent") == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(60));
        return 6;
    }
    CTestTarget target;
    CAutomationServerSession session(fd, target);
    if (!session.SendReady()) {
        return 7;
    }
    session.ServeUntilReleased();
    return 0;
}
