// The answer of GetConfig for one region, built in a record of its own before any of the
// caller's slots is touched; it frees its strings when it goes.
#pragma once

#include <cstdint>

#include "config/ConfigDefine.h"

namespace ovix::config {

class ImsWebAnswer {
public:
    explicit ImsWebAnswer(std::int32_t region);
    ~ImsWebAnswer();
    ImsWebAnswer(const ImsWebAnswer&) = delete;
    ImsWebAnswer& operator=(const ImsWebAnswer&) = delete;

    // Writes all nine fields into the caller's record under the output-slot contract.
    void CopyTo(TConfig_IMS_WEB* target) const;

private:
    TConfig_IMS_WEB record_{};
};

}  // namespace ovix::config
