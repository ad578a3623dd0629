#include "updater/update/PackageChoice.h"

#include <cstdint>

#include "updater/update/UpdatePaths.h"

namespace ovix::updater {

std::string_view PackageResourceFor(int serverLevel, int localLevel) {
    // Levels come from files anyone can edit; the difference must not overflow an int.
    const std::int64_t step = std::int64_t{serverLevel} - localLevel;
    if (step == 0) {
        return {};
    }
    return step == 1 ? kNextPackageResource : kFullPackageResource;
}

}  // namespace ovix::updater
