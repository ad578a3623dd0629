// A fresh folder under /tmp for one test, removed with everything in it at the end, and a
// private runtime folder inside it selected through OVIX_RUNTIME_DIR.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/ipc/RuntimeFolder.h"

namespace ovix::platform::test {

class CTempFolder {
public:
    CTempFolder() {
        // /tmp keeps socket paths short enough for a Unix socket address.
        char pattern[] = "/tmp/ovix-ipc-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~CTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

class CPrivateRuntime {
public:
    CPrivateRuntime() : runtime_(folder_.Path() + "/run") {
        ::setenv(kRuntimeFolderVariable, runtime_.c_str(), 1);
    }
    ~CPrivateRuntime() { ::unsetenv(kRuntimeFolderVariable); }

    const std::string& Runtime() const { return runtime_; }
    const std::string& Base() const { return folder_.Path(); }

private:
    CTempFolder folder_;
    std::string runtime_;
};

}  // namespace ovix::platform::test
