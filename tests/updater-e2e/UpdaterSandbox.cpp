#include "tests/updater-e2e/UpdaterSandbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace ovix::updater::e2e {

namespace fs = std::filesystem;

CUpdaterSandbox::CUpdaterSandbox() : m_root(m_folder.Path()) {
    if (m_root.empty()) {
        return;
    }
    std::error_code ec;
    fs::create_directories(ProgramFolder(), ec);
    fs::create_directories(Desktop(), ec);
    fs::create_directories(m_root + "/config", ec);
    ::mkdir((m_root + "/runtime").c_str(), 0700);
    fs::copy_file(OVIX_PULLPATCH_PATH, ProgramFolder() + "/Pullpatch", ec);
    m_ready = !ec;
}

std::vector<std::string> CUpdaterSandbox::Environment(const std::string& updateUrl,
                                                      bool display) const {
    const char* path = std::getenv("PATH");
    std::vector<std::string> environment = {
        std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
        "HOME=" + m_root + "/home",
        "XDG_CONFIG_HOME=" + m_root + "/home/.config",
        "OVIX_RUNTIME_DIR=" + m_root + "/runtime",
        "OVIX_CONFIG_DIR=" + m_root + "/config",
        "OVIX_UPDATE_URL=" + updateUrl,
        "LANG=C.UTF-8",
    };
    if (display) {
        environment.push_back("QT_QPA_PLATFORM=offscreen");
    }
    // Sanitizer settings of the build under test travel along.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    return environment;
}

std::unique_ptr<CChildProcess> CUpdaterSandbox::StartUpdater(const std::string& updateUrl,
                                                             const std::string& stderrFile,
                                                             bool display) const {
    CChildProcess::Options options;
    options.args = {ProgramFolder() + "/Pullpatch"};
    options.environment = Environment(updateUrl, display);
    options.stderrFile = stderrFile;
    return std::make_unique<CChildProcess>(options);
}

std::unique_ptr<CChildProcess> CUpdaterSandbox::HoldMutex(const std::string& name) const {
    static int serial = 0;
    const std::string said = m_root + "/probe-" + std::to_string(++serial) + ".out";
    CChildProcess::Options options;
    options.args = {OVIX_IPC_PROBE_PATH, "mutex", name};
    options.environment = Environment("");
    options.stdoutFile = said;
    options.holdStdin = true;
    auto probe = std::make_unique<CChildProcess>(options);
    for (int i = 0; i < 500; ++i) {
        if (ReadFile(said) == "created\n") {
            return probe;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

namespace {

int RunProbe(const CUpdaterSandbox& sandbox, std::vector<std::string> args) {
    args.insert(args.begin(), OVIX_IPC_PROBE_PATH);
    CChildProcess::Options options;
    options.args = std::move(args);
    options.environment = sandbox.Environment("");
    CChildProcess probe(options);
    return probe.Wait(std::chrono::seconds(10));
}

constexpr const char* kMarker = "message 1 0 0";

}  // namespace

std::unique_ptr<CChildProcess> CUpdaterSandbox::StartMainClient(const std::string& logFile) const {
    CChildProcess::Options options;
    options.args = {OVIX_MAINCLIENT_PATH, "--log", logFile};
    options.environment = Environment("");
    auto client = std::make_unique<CChildProcess>(options);
    for (int i = 0; i < 500; ++i) {
        if (RunProbe(*this, {"find", "Ovixmain"}) == 0) {
            return client;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

std::vector<std::string> CUpdaterSandbox::MainClientMessages(const std::string& logFile) const {
    if (RunProbe(*this, {"post", "Ovixmain", "1", "0", "0"}) != 0) {
        return {"marker not posted"};
    }
    for (int i = 0; i < 500; ++i) {
        std::vector<std::string> messages;
        std::istringstream log(ReadFile(logFile));
        std::string line;
        while (std::getline(log, line)) {
            if (line == kMarker) {
                return messages;
            }
            messages.push_back(line);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {"marker not logged"};
}

bool CUpdaterSandbox::MutexExists(const std::string& name) const {
    return RunProbe(*this, {"exists", name}) == 0;
}

std::string ControlFile(int patch, int launcher) {
    return "<upcontrol>\r\n  <patch version=\"" + std::to_string(patch) + "\"/>\r\n  <ovix>" +
           std::to_string(launcher) + "</ovix>\r\n</upcontrol>\r\n";
}

}  // namespace ovix::updater::e2e
