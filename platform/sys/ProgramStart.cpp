#include "platform/sys/ProgramStart.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace ovix::platform {
namespace {

// The caller's environment with the show command set to `show`.
std::vector<std::string> EnvironmentWithShowCommand(ShowCommand show) {
    const std::string prefix = std::string(kShowCommandVariable) + "=";
    std::vector<std::string> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0) {
            entries.emplace_back(*entry);
        }
    }
    entries.push_back(prefix + std::to_string(static_cast<int>(show)));
    return entries;
}

// Owns the spawn attributes and file actions for the length of one start.
class CSpawnSettings {
public:
    CSpawnSettings() {
        ok_ = ::posix_spawnattr_init(&attributes_) == 0;
        ok_ = ::posix_spawn_file_actions_init(&actions_) == 0 && ok_;
    }
    ~CSpawnSettings() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }
    CSpawnSettings(const CSpawnSettings&) = delete;
    CSpawnSettings& operator=(const CSpawnSettings&) = delete;

    // The started program begins with no blocked signals, whatever the starter blocked for
    // itself (a program that takes its signals through a descriptor blocks them). Ignored
    // signals stay ignored across the start, as after nohup; handlers are reset by exec.
    bool UnblockSignals() {
        sigset_t none;
        sigemptyset(&none);
        return ok_ && ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
               ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK) == 0;
    }
    bool ChangeFolder(const std::string& folder) {
        return ok_ && ::posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str()) == 0;
    }

    const posix_spawnattr_t* Attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* Actions() const { return &actions_; }

private:
    bool ok_ = false;
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
};

}  // namespace

bool StartProgram(const std::string& file, const std::string& workingFolder, ShowCommand show,
                  CProcessHandle* process) {
    if (file.empty()) {
        return false;
    }
    CSpawnSettings settings;
    if (!settings.UnblockSignals() ||
        (!workingFolder.empty() && !settings.ChangeFolder(workingFolder))) {
        return false;
    }
    const std::vector<std::string> environment = EnvironmentWithShowCommand(show);
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    std::string argument0 = file;
    char* argv[] = {argument0.data(), nullptr};

    pid_t pid = -1;
    // glibc reports a failed exec or chdir of the child as the result, so success here means
    // the program is running.
    if (::posix_spawn(&pid, file.c_str(), settings.Actions(), settings.Attributes(), argv,
                      envp.data()) != 0) {
        return false;
    }
    if (process != nullptr) {
        *process = CProcessHandle(pid);
    }
    return true;
}

}  // namespace ovix::platform
