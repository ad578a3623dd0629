#include "updater/http/HttpDate.h"

#include <ctime>
#include <string>

namespace ovix::updater {

namespace {

// Leading decimal digits of up to `width` characters from `position`; 0 when there are none.
int Digits(std::string_view text, size_t position, size_t width) {
    int value = 0;
    for (size_t i = position; i < text.size() && i < position + width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            break;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::string_view DropLeadingBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return text;
}

}  // namespace

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = DropLeadingBlanks(text.substr(comma + 1));
    if (rest.size() < 6) {
        return std::nullopt;
    }
    std::tm fields{};
    fields.tm_mday = Digits(rest, 0, 2);
    constexpr std::string_view kMonths = "jan,feb,mar,apr,may,jun,jul,aug,sep,oct,nov,dec";
    const size_t month = kMonths.find(rest.substr(3, 3));
    fields.tm_mon = month == std::string_view::npos ? 0 : static_cast<int>(month / 4);

    const std::string_view yearOn = DropLeadingBlanks(rest.substr(6));
    const size_t separator = yearOn.find_first_of(" \t");
    int year = 2000;
    std::string_view time;
    if (separator != std::string_view::npos) {
        year = Digits(yearOn, 0, separator);
        time = yearOn.substr(separator + 1);
    }
    fields.tm_year = year - 1900;
    fields.tm_hour = Digits(time, 0, 2);
    fields.tm_min = Digits(time, 3, 2);
    fields.tm_sec = Digits(time, 6, 2);
    return static_cast<std::int64_t>(::timegm(&fields));
}

}  // namespace ovix::updater
