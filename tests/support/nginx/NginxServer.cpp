#include "tests/support/nginx/NginxServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "tests/support/nginx/FreeLocalPort.h"
#include "tests/support/nginx/NginxConfig.h"

namespace ovix::testsupport {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kPortAttempts = 4;
constexpr auto kStartLimit = 5s;
constexpr auto kStopLimit = 5s;

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string NginxProgram() {
    const char* chosen = std::getenv("OVIX_NGINX");
    return chosen != nullptr && *chosen != '\0' ? chosen : OVIX_NGINX_EXECUTABLE;
}

// True once the child has ended (and is reaped), waiting at most `limit`.
bool WaitEnded(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
}

std::string FieldOrEmpty(const std::string& field) {
    return field == "-" ? std::string() : field;
}

}  // namespace

CNginxServer::CNginxServer(NginxSite site) : m_site(std::move(site)) {}

CNginxServer::~CNginxServer() {
    Stop();
}

std::string CNginxServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

bool CNginxServer::Start() {
    if (Running()) {
        return true;
    }
    std::string pattern = (fs::temp_directory_path() / "ovix-nginx-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m_error = "cannot make a temporary folder";
        return false;
    }
    m_folder = pattern;
    std::error_code ignored;
    fs::create_directories(m_folder + "/temp", ignored);
    // The port was free a moment ago; someone may take it before nginx binds it.
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        const int port = FreeLocalPort();
        if (port != 0 && StartOnce(port)) {
            return true;
        }
    }
    const std::string log = ErrorLog();
    m_error += log.empty() ? "" : "; error log: " + log;
    return false;
}

bool CNginxServer::StartOnce(int port) {
    const std::string config = m_folder + "/nginx.conf";
    {
        std::ofstream out(config, std::ios::binary | std::ios::trunc);
        out << MakeNginxConfig(m_site, m_folder, port);
        if (!out) {
            m_error = "cannot write " + config;
            return false;
        }
    }
    const std::string program = NginxProgram();
    const std::string errorLog = m_folder + "/error.log";
    const std::string output = m_folder + "/output.log";
    std::vector<std::string> args = {program, "-e", errorLog, "-p", m_folder + "/", "-c", config};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        m_error = "cannot fork";
        return false;
    }
    if (pid == 0) {
        // nginx must not outlive a test process that dies without cleaning up.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        const int in = ::open("/dev/null", O_RDONLY);
        if (in >= 0) {
            ::dup2(in, STDIN_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }

    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (AcceptsOnLocalPort(port)) {
            m_pid = pid;
            m_port = port;
            return true;
        }
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            m_error = "nginx ended at start (port " + std::to_string(port) + ")";
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGKILL);
    WaitEnded(pid, kStopLimit);
    m_error = "nginx did not accept connections within 5 s";
    return false;
}

void CNginxServer::Stop() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        if (!WaitEnded(m_pid, std::chrono::duration_cast<std::chrono::milliseconds>(kStopLimit))) {
            ::kill(m_pid, SIGKILL);
            WaitEnded(m_pid, std::chrono::duration_cast<std::chrono::milliseconds>(kStopLimit));
        }
        m_pid = -1;
    }
    if (!m_folder.empty() && std::getenv("OVIX_KEEP_NGINX_FOLDER") == nullptr) {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        m_folder.clear();
    }
}

std::vector<NginxRequest> CNginxServer::Requests() const {
    std::vector<NginxRequest> requests;
    std::istringstream log(ReadWhole(m_folder + "/access.log"));
    std::string line;
    while (std::getline(log, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) {
            fields.push_back(field);
        }
        if (fields.size() < 6) {
            continue;
        }
        NginxRequest request;
        request.method = fields[0];
        request.target = fields[1];
        request.status = std::atoi(fields[2].c_str());
        request.range = FieldOrEmpty(fields[3]);
        request.referer = FieldOrEmpty(fields[4]);
        request.host = FieldOrEmpty(fields[5]);
        requests.push_back(request);
    }
    return requests;
}

std::vector<NginxRequest> CNginxServer::WaitForRequests(std::size_t count,
                                                        std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::vector<NginxRequest> requests = Requests();
        if (requests.size() >= count || std::chrono::steady_clock::now() >= deadline) {
            return requests;
        }
        std::this_thread::sleep_for(5ms);
    }
}

std::string CNginxServer::ErrorLog() const {
    return m_folder.empty() ? std::string() : ReadWhole(m_folder + "/error.log");
}

}  // namespace ovix::testsupport
