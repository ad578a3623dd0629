// Texts of the only message the updater ever shows: the disk is too full for a download.
#pragma once

#include <string_view>

namespace ovix::updater {

struct MessageText {
    std::string_view caption;
    std::string_view text;
};

// Caption and text for the system's OEM code page: Simplified Chinese on 936, Traditional
// Chinese on 950, English anywhere else.
MessageText DiskFullMessageFor(unsigned oemCodePage);

}  // namespace ovix::updater
