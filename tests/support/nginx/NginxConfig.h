#pragma once

#include <string>

#include "tests/support/nginx/NginxServer.h"

namespace ovix::testsupport {

// Log format of the access log: fields separated by a tab (see CNginxServer::Requests).
inline constexpr const char* kNginxLogFormat =
    "$request_method\\t$request_uri\\t$status\\t$http_range\\t$http_referer\\t$http_host";

// nginx.conf for one foreground process that keeps every file below `folder`.
std::string MakeNginxConfig(const NginxSite& site, const std::string& folder, int port);

}  // namespace ovix::testsupport
