#include "updater/update/DiskFullMessage.h"

#include "platform/sys/OemCodePage.h"

namespace ovix::updater {

namespace {

// The updater's string table.
constexpr std::string_view kStringNoSpaceDefault =
    "There is no enough space on the disk to use.";                     // 102
constexpr std::string_view kStringCaption = "Ovix auto update";         // 103
constexpr std::string_view kStringNoSpaceSimplified = "磁盘空间不足";   // 104
constexpr std::string_view kStringNoSpaceTraditional = "磁碟空間不足";  // 106

}  // namespace

MessageText DiskFullMessageFor(unsigned oemCodePage) {
    switch (oemCodePage) {
        case platform::kCodePageSimplifiedChinese:
            return {kStringCaption, kStringNoSpaceSimplified};
        case platform::kCodePageTraditionalChinese:
            return {kStringCaption, kStringNoSpaceTraditional};
        default:
            return {kStringCaption, kStringNoSpaceDefault};
    }
}

}  // namespace ovix::updater
