// The registry of automation classes: an INI file in the settings folder. Registering a
// local server writes two sections:
//   [OvixAgent.Application]                      ProgID -> class id
//   CLSID={51870C2B-...}
//   [CLSID\{51870C2B-...}]                        class id -> server program
//   ProgID=OvixAgent.Application
//   LocalServer32=/opt/ovix/OvixAgent
// Other modules (the web-call control's registration) keep their entries in the same file.
#pragma once

#include <string>
#include <string_view>

#include "platform/automation/AutomationResult.h"

namespace ovix::platform {

inline constexpr const char* kAutomationRegistryFile = "registry.ini";

// Path of the registry file in SettingsFolder(); empty when there is no settings folder.
std::string AutomationRegistryPath();

// "{8-4-4-4-12 hex digits}".
bool IsClassIdText(std::string_view text);

// Records progId -> classId -> serverProgram. False when the file cannot be written or an
// argument is unusable (class id not a GUID, empty names).
bool RegisterLocalServer(const std::string& registryFile, std::string_view progId,
                         std::string_view classId, std::string_view serverProgram);

struct LocalServerEntry {
    std::string classId;
    std::string serverProgram;
};

// Looks the ProgID up. S_OK; CO_E_CLASSSTRING when the ProgID is absent (or the file is
// missing or unreadable); REGDB_E_READREGDB when the class id is not a GUID;
// REGDB_E_CLASSNOTREG when the class has no local server.
HResult LookUpLocalServer(const std::string& registryFile, std::string_view progId,
                          LocalServerEntry& entry);

}  // namespace ovix::platform
