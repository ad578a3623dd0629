#include "platform/automation/AutomationRegistry.h"

#include <cctype>

#include "platform/sys/ProfileFile.h"
#include "platform/sys/SettingsFolder.h"

namespace ovix::platform {

namespace {

constexpr std::string_view kClassIdKey = "CLSID";
constexpr std::string_view kProgIdKey = "ProgID";
constexpr std::string_view kLocalServerKey = "LocalServer32";

std::string ClassSection(std::string_view classId) {
    return "CLSID\\" + std::string(classId);
}

}  // namespace

std::string AutomationRegistryPath() {
    const std::string folder = SettingsFolder();
    if (folder.empty()) {
        return {};
    }
    return folder + "/" + kAutomationRegistryFile;
}

bool IsClassIdText(std::string_view text) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    constexpr std::string_view kShape = "{........-....-....-....-............}";
    if (text.size() != kShape.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char want = kShape[i];
        if (want == '.') {
            if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
                return false;
            }
        } else if (text[i] != want) {
            return false;
        }
    }
    return true;
}

bool RegisterLocalServer(const std::string& registryFile, std::string_view progId,
                         std::string_view classId, std::string_view serverProgram) {
    if (registryFile.empty() || progId.empty() || serverProgram.empty() ||
        !IsClassIdText(classId)) {
        return false;
    }
    const std::string classSection = ClassSection(classId);
    return WriteProfileString(registryFile, progId, kClassIdKey, classId) &&
           WriteProfileString(registryFile, classSection, kProgIdKey, progId) &&
           WriteProfileString(registryFile, classSection, kLocalServerKey, serverProgram);
}

HResult LookUpLocalServer(const std::string& registryFile, std::string_view progId,
                          LocalServerEntry& entry) {
    if (registryFile.empty() || progId.empty()) {
        return kCO_E_CLASSSTRING;
    }
    const std::string classId = GetProfileString(registryFile, progId, kClassIdKey, "");
    if (classId.empty()) {
        return kCO_E_CLASSSTRING;
    }
    if (!IsClassIdText(classId)) {
        return kREGDB_E_READREGDB;
    }
    const std::string server =
        GetProfileString(registryFile, ClassSection(classId), kLocalServerKey, "");
    if (server.empty()) {
        return kREGDB_E_CLASSNOTREG;
    }
    entry.classId = classId;
    entry.serverProgram = server;
    return kS_OK;
}

}  // namespace ovix::platform
