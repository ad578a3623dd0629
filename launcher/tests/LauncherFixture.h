// A temporary program folder with a private runtime folder, and a recorder that stands in for
// program starts, for tests of the launcher's start-up.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "launcher/core/ProgramStarter.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::launcher::test {

struct StartCall {
    std::string program;  // file name without the folder
    std::string workingFolder;
    platform::ShowCommand show;

    bool operator==(const StartCall&) const = default;
};

// Records every start; a start succeeds when `succeeds(program)` says so. `onStart` runs
// inside the start, so a test can look at the world at that moment.
class CStartRecorder {
public:
    std::function<bool(const std::string& program)> succeeds = [](const std::string&) {
        return true;
    };
    std::function<void(const std::string& program, platform::CProcessHandle* process)> onStart;
    std::vector<StartCall> calls;

    StartProgramFunction Function() {
        return [this](const std::string& file, const std::string& workingFolder,
                      platform::ShowCommand show, platform::CProcessHandle* process) {
            const std::string program = std::filesystem::path(file).filename().string();
            calls.push_back({program, workingFolder, show});
            if (onStart) {
                onStart(program, process);
            }
            return succeeds(program);
        };
    }
    int Count(const std::string& program) const {
        int count = 0;
        for (const StartCall& call : calls) {
            count += call.program == program ? 1 : 0;
        }
        return count;
    }
};

class CProgramFolder {
public:
    CProgramFolder() : folder_(runtime_.Base() + "/programs") {
        std::filesystem::create_directory(folder_);
    }

    const std::string& Path() const { return folder_; }
    const std::string& Runtime() const { return runtime_.Runtime(); }

    void MakeFolder(const std::string& relative) const {
        std::filesystem::create_directories(folder_ + "/" + relative);
    }
    void MakeFile(const std::string& relative) const {
        std::filesystem::create_directories(
            std::filesystem::path(folder_ + "/" + relative).parent_path());
        std::ofstream(folder_ + "/" + relative) << "PK";
    }
    bool Has(const std::string& relative) const {
        return std::filesystem::exists(folder_ + "/" + relative);
    }

private:
    platform::test::CPrivateRuntime runtime_;
    std::string folder_;
};

}  // namespace ovix::launcher::test
