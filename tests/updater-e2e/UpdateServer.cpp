#include "tests/updater-e2e/UpdateServer.h"

#include <filesystem>

#include "updater/update/tests/TempFolder.h"

namespace ovix::updater::e2e {

CUpdateServer::CUpdateServer(const std::string& folder)
    : m_root(folder + "/www"), m_nginx({.documentRoot = m_root}) {
    std::error_code ec;
    std::filesystem::create_directories(m_root + "/patch", ec);
    m_nginx.Start();
}

void CUpdateServer::Serve(const std::string& resource, const std::string& content) const {
    testing::WriteFile(m_root + resource, content);
}

std::vector<std::string> CUpdateServer::RequestedPaths() const {
    std::vector<std::string> paths;
    for (const auto& request : m_nginx.Requests()) {
        paths.push_back(request.target);
    }
    return paths;
}

}  // namespace ovix::updater::e2e
