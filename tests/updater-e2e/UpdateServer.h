#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/updater-e2e/ChildProcess.h"

namespace ovix::updater::e2e {

// The update server for whole runs: nginx on 127.0.0.1 serving a folder of its own.
class CUpdateServer {
public:
    // `folder` must exist; the served files and nginx's own files go below it.
    explicit CUpdateServer(const std::string& folder);

    bool Running() const { return m_nginx != nullptr; }
    std::string Url() const;
    // Puts `content` at `resource` ("/patch/v1.ovix").
    void Serve(const std::string& resource, const std::string& content) const;
    // The paths of every request so far, in order, as nginx logged them.
    std::vector<std::string> RequestedPaths() const;

private:
    std::string m_folder;
    int m_port = 0;
    std::unique_ptr<CChildProcess> m_nginx;
};

}  // namespace ovix::updater::e2e
