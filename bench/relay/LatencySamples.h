// Latencies of one path in one phase, with the order statistics the report prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ovix::bench {

class CLatencySamples {
public:
    void Reserve(size_t count) { samplesNs_.reserve(count); }
    void Add(int64_t latencyNs) { samplesNs_.push_back(latencyNs); }
    size_t Count() const { return samplesNs_.size(); }
    // q in [0, 1]; nearest-rank on a sorted copy. 0 when there are no samples.
    double QuantileMs(double q) const;
    double MaxMs() const { return QuantileMs(1.0); }
    size_t CountAbove(int64_t thresholdNs) const;
    // Median of the first and of the last quarter of the samples in arrival order: a queue
    // that keeps growing shows as a later median well above the earlier one.
    double EarlyMedianMs() const;
    double LateMedianMs() const;

private:
    static double MedianOfMs(std::vector<int64_t> values);
    std::vector<int64_t> samplesNs_;  // in arrival order
};

}  // namespace ovix::bench
