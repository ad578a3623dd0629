#include "tests/support/nginx/NginxConfig.h"

namespace ovix::testsupport {

std::string MakeNginxConfig(const NginxSite& site, const std::string& folder, int port) {
    std::string c;
    c += "daemon off;\n";
    c += "master_process off;\n";
    c += "worker_processes 1;\n";
    c += "pid " + folder + "/nginx.pid;\n";
    c += "error_log " + folder + "/error.log info;\n";
    c += "events { worker_connections 256; }\n";
    c += "http {\n";
    c += "    log_format ovix \"" + std::string(kNginxLogFormat) + "\";\n";
    c += "    access_log " + folder + "/access.log ovix;\n";
    c += "    client_body_temp_path " + folder + "/temp/body;\n";
    c += "    proxy_temp_path " + folder + "/temp/proxy;\n";
    c += "    fastcgi_temp_path " + folder + "/temp/fastcgi;\n";
    c += "    uwsgi_temp_path " + folder + "/temp/uwsgi;\n";
    c += "    scgi_temp_path " + folder + "/temp/scgi;\n";
    c += "    default_type application/octet-stream;\n";
    c += "    sendfile on;\n";
    c += "    keepalive_timeout 5;\n";
    c += site.httpConfig + "\n";
    c += "    server {\n";
    c += "        listen 127.0.0.1:" + std::to_string(port) + ";\n";
    c += "        server_name localhost;\n";
    c += "        root " + site.documentRoot + ";\n";
    c += site.serverConfig + "\n";
    c += "    }\n";
    c += "}\n";
    return c;
}

}  // namespace ovix::testsupport
