#include "bench/relay/LatencySamples.h"

#include <algorithm>
#include <cmath>

namespace ovix::bench {

double CLatencySamples::QuantileMs(double q) const {
    if (samplesNs_.empty()) {
        return 0.0;
    }
    std::vector<int64_t> sorted = samplesNs_;
    std::sort(sorted.begin(), sorted.end());
    const double rank = std::ceil(q * static_cast<double>(sorted.size()));
    const size_t index =
        rank < 1.0 ? 0 : std::min(sorted.size() - 1, static_cast<size_t>(rank) - 1);
    return static_cast<double>(sorted[index]) / 1e6;
}

size_t CLatencySamples::CountAbove(int64_t thresholdNs) const {
    return static_cast<size_t>(std::count_if(samplesNs_.begin(), samplesNs_.end(),
                                             [&](int64_t v) { return v > thresholdNs; }));
}

double CLatencySamples::MedianOfMs(std::vector<int64_t> values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return static_cast<double>(*middle) / 1e6;
}

double CLatencySamples::EarlyMedianMs() const {
    const size_t quarter = std::max<size_t>(1, samplesNs_.size() / 4);
    return MedianOfMs(
        {samplesNs_.begin(),
         samplesNs_.begin() + static_cast<std::ptrdiff_t>(std::min(quarter, samplesNs_.size()))});
}

double CLatencySamples::LateMedianMs() const {
    const size_t quarter = std::max<size_t>(1, samplesNs_.size() / 4);
    return MedianOfMs(
        {samplesNs_.end() - static_cast<std::ptrdiff_t>(std::min(quarter, samplesNs_.size())),
         samplesNs_.end()});
}

}  // namespace ovix::bench
