#include "tools/ovixconfig/ConfigQuery.h"

#include <charconv>
#include <string_view>

namespace ovix::tools {
namespace {

// The whole text must be a decimal integer in range: no sign other than '-', no spaces, no
// trailing characters.
bool ParseInt32(std::string_view text, std::int32_t& value) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(begin, end, value);
    return !text.empty() && error == std::errc() && next == end;
}

}  // namespace

const char* ConfigQueryUsage() {
    return "usage: ovixconfig REGION AREA_CODE\n"
           "Prints what the configuration library answers for the region and area code,\n"
           "one NAME=VALUE line per answer; an empty value is a null string.\n"
           "REGION and AREA_CODE are whole numbers from -2147483648 to 2147483647.\n";
}

bool ParseConfigQuery(int argc, char** argv, ConfigQuery& query, std::string& error) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        query.help = true;
        return true;
    }
    if (argc != 3) {
        error =
            "expected a region and an area code, got " + std::to_string(argc - 1) + " argument(s)";
        return false;
    }
    const std::pair<const char*, std::int32_t*> values[] = {{"region", &query.region},
                                                            {"area code", &query.areaCode}};
    for (int i = 0; i < 2; ++i) {
        if (!ParseInt32(argv[i + 1], *values[i].second)) {
            error = std::string(values[i].first) +
                    " must be a whole number from -2147483648 to 2147483647, got \"" + argv[i + 1] +
                    "\"";
            return false;
        }
    }
    return true;
}

}  // namespace ovix::tools
