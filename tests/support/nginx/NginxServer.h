// nginx for tests: serves a document root on 127.0.0.1 at a free port, with a configuration
// generated into a temporary folder of its own (pid, logs, temp paths), in the foreground as
// the current user. Stop() (or the destructor) ends the process, waits for it and removes the
// folder.
//
//   ovix::testsupport::CNginxServer nginx({.documentRoot = root,
//                                         .serverConfig = "location = /old { return 302 /new; }"});
//   ASSERT_TRUE(nginx.Start()) << nginx.Error();
//   fetch(nginx.BaseUrl() + "/new");      // "http://127.0.0.1:<port>/new"
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace ovix::testsupport {

struct NginxSite {
    // Folder served at "/" (static files carry Last-Modified and honour Range).
    std::string documentRoot = {};
    // Directives added inside the server block: location blocks, absolute_redirect, ...
    std::string serverConfig = {};
    // Directives added inside the http block (log formats, maps, ...).
    std::string httpConfig = {};
};

// One request as nginx logged it.
struct NginxRequest {
    std::string method;
    std::string target;  // path and query as sent
    int status = 0;
    std::string range;    // Range header, empty when none
    std::string referer;  // Referer header, empty when none
    std::string host;     // Host header
};

class CNginxServer {
public:
    explicit CNginxServer(NginxSite site);
    ~CNginxServer();
    CNginxServer(const CNginxServer&) = delete;
    CNginxServer& operator=(const CNginxServer&) = delete;

    // Starts nginx and waits (at most 5 s) until it accepts connections. False, with Error()
    // telling why, when it does not come up (a few ports are tried).
    bool Start();
    // Ends nginx (SIGTERM, then SIGKILL after 5 s), reaps it and removes the temporary folder.
    void Stop();

    bool Running() const { return m_pid > 0; }
    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>", no trailing slash.
    std::string BaseUrl() const;
    // Temporary folder holding nginx.conf, the logs and nginx's temp paths.
    const std::string& Folder() const { return m_folder; }
    const std::string& Error() const { return m_error; }

    // Every request logged so far, in order. nginx writes a request's line after its
    // response went out, so a client may see the whole answer a moment before the line.
    std::vector<NginxRequest> Requests() const;
    // Requests() once it holds at least `count` lines, or what it holds after `limit`.
    std::vector<NginxRequest> WaitForRequests(
        std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(3)) const;
    std::string ErrorLog() const;

private:
    bool StartOnce(int port);

    NginxSite m_site;
    std::string m_folder;
    std::string m_error;
    int m_port = 0;
    pid_t m_pid = -1;
};

}  // namespace ovix::testsupport
