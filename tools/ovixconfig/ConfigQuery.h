// Command line of the configuration query tool: one region and one area code.
#pragma once

#include <cstdint>
#include <string>

namespace ovix::tools {

struct ConfigQuery {
    std::int32_t region = 0;
    std::int32_t areaCode = 0;
    bool help = false;  // --help or -h: print the usage and stop
};

// False with a message in error on a wrong argument count or a value that is not a whole
// number in the 32-bit range.
bool ParseConfigQuery(int argc, char** argv, ConfigQuery& query, std::string& error);

const char* ConfigQueryUsage();

}  // namespace ovix::tools
