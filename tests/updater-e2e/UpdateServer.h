#pragma once

#include <string>
#include <vector>

#include "tests/support/nginx/NginxServer.h"

namespace ovix::updater::e2e {

// The update server for whole runs: nginx on 127.0.0.1 serving a folder of its own.
class CUpdateServer {
public:
    // `folder` must exist; the served files go below it.
    explicit CUpdateServer(const std::string& folder);

    bool Running() const { return m_nginx.Running(); }
    std::string Url() const { return m_nginx.BaseUrl(); }
    // Puts `content` at `resource` ("/patch/v1.ovix").
    void Serve(const std::string& resource, const std::string& content) const;
    // The paths of every request so far, in order.
    std::vector<std::string> RequestedPaths() const;

private:
    std::string m_root;
    testsupport::CNginxServer m_nginx;
};

}  // namespace ovix::updater::e2e
