// The histograms' tables live per thread and are shared by the files that thread measures.
#include "check/StepHistogram.h"

#include <algorithm>

namespace ws::check {

namespace {

// Non-negative floats have a clear sign bit: 15 bits above the lower half.
constexpr std::size_t FloatBuckets = std::size_t{1} << 15;
constexpr std::size_t LowerHalves = 65536;

CountTable& threadTable(int which) {
    thread_local CountTable tables[3];
    return tables[which];
}

} // namespace

Counts::Counts(CountTable& table, std::size_t size) : table_(table) {
    if (table_.counts.size() < size)
        table_.counts.resize(size, 0);
    std::fill_n(table_.counts.begin(), std::min(table_.dirty, table_.counts.size()), 0);
    table_.dirty = 0;
    data_ = table_.counts.data();
}

std::optional<std::pair<std::size_t, uint64_t>> Counts::find(uint64_t rank) const {
    for (std::size_t i = 0; i < end_; ++i) {
        if (rank < data_[i])
            return std::pair{i, rank};
        rank -= data_[i];
    }
    return std::nullopt;
}

CodeSteps::CodeSteps() : counts_(threadTable(0), 65536) {}

double CodeSteps::value(uint64_t count, double scale) const {
    const auto found = count > 0 ? counts_.find(percentileRank(count)) : std::nullopt;
    return found ? double(found->first) * scale : 0.0;
}

FloatSteps::FloatSteps() : coarse_(threadTable(1), FloatBuckets) {}

void FloatSteps::locate(uint64_t count) {
    if (const auto found = coarse_.find(percentileRank(count))) {
        bucket_ = static_cast<uint32_t>(found->first);
        rankInBucket_ = found->second;
    }
    fine_.emplace(threadTable(2), LowerHalves);
}

double FloatSteps::value(uint64_t count, double) const {
    if (count == 0)
        return 0;
    uint32_t low = 0;
    if (fine_) {
        if (const auto found = fine_->find(rankInBucket_))
            low = static_cast<uint32_t>(found->first);
    }
    return std::bit_cast<float>((bucket_ << 16) | low);
}

} // namespace ws::check
