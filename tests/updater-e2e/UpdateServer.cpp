#include "tests/updater-e2e/UpdateServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/updater-e2e/LocalListener.h"
#include "updater/update/tests/TempFolder.h"

namespace ovix::updater::e2e {

namespace {

namespace fs = std::filesystem;

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

std::string Config(const std::string& folder, int port) {
    const std::string n = folder + "/nginx";
    return "daemon off;\nmaster_process off;\nworker_processes 1;\n"
           "pid " +
           n + "/nginx.pid;\nerror_log " + n +
           "/error.log;\n"
           "events { worker_connections 64; }\n"
           "http {\n"
           "  access_log " +
           n +
           "/access.log;\n"
           "  client_body_temp_path " +
           n + "/body;\n  proxy_temp_path " + n +
           "/proxy;\n"
           "  fastcgi_temp_path " +
           n + "/fastcgi;\n  uwsgi_temp_path " + n +
           "/uwsgi;\n"
           "  scgi_temp_path " +
           n +
           "/scgi;\n"
           "  default_type application/octet-stream;\n"
           "  server { listen 127.0.0.1:" +
           std::to_string(port) + "; root " + folder + "/www; }\n}\n";
}

}  // namespace

CUpdateServer::CUpdateServer(const std::string& folder) : m_folder(folder) {
    std::error_code ec;
    fs::create_directories(m_folder + "/www/patch", ec);
    fs::create_directories(m_folder + "/nginx", ec);
    // A port that was free a moment ago may be taken by the time nginx binds it: try again.
    for (int attempt = 0; attempt < 3 && !m_nginx; ++attempt) {
        {
            CLocalListener probe;
            m_port = probe.Port();
        }
        testing::WriteFile(m_folder + "/nginx/nginx.conf", Config(m_folder, m_port));
        CChildProcess::Options options;
        options.args = {NGINX_PATH,          "-e", m_folder + "/nginx/error.log", "-p",
                        m_folder + "/nginx", "-c", m_folder + "/nginx/nginx.conf"};
        options.environment = {"PATH=/usr/sbin:/usr/bin:/bin"};
        auto nginx = std::make_unique<CChildProcess>(options);
        for (int i = 0; i < 500 && nginx->Started(); ++i) {
            if (Accepts(m_port)) {
                m_nginx = std::move(nginx);
                break;
            }
            if (nginx->Wait(std::chrono::milliseconds(10)) >= 0) {
                break;  // ended: the port was taken
            }
        }
    }
}

std::string CUpdateServer::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void CUpdateServer::Serve(const std::string& resource, const std::string& content) const {
    testing::WriteFile(m_folder + "/www" + resource, content);
}

std::vector<std::string> CUpdateServer::RequestedPaths() const {
    // Lines read: 127.0.0.1 - - [time] "GET /patch/v1.ovix HTTP/1.1" 200 ...
    std::vector<std::string> paths;
    std::istringstream log(testing::ReadFile(m_folder + "/nginx/access.log"));
    std::string line;
    while (std::getline(log, line)) {
        const size_t request = line.find("\"GET ");
        if (request == std::string::npos) {
            continue;
        }
        const size_t start = request + 5;
        paths.push_back(line.substr(start, line.find(' ', start) - start));
    }
    return paths;
}

}  // namespace ovix::updater::e2e
