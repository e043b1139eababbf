// The first and the last frames of a file, kept during the measuring pass for what is
// measured at the loop's seam (SeamMeasure.h): the picture, the step and the click.
#pragma once

#include <cstddef>
#include <vector>

namespace ws::check {

// Interleaved frames in units of full scale; `tail` holds the last frames in order, `head`
// the first. Both hold the same number of frames: the whole file when it is shorter than
// the ends asked for.
struct FileEnds {
    std::size_t channels = 0;
    std::vector<double> tail;
    std::vector<double> head;

    std::size_t frames() const { return channels ? head.size() / channels : 0; }
};

// Keeps the first and, in a ring, the last `count` frames of a stream of blocks; only the
// frames of a block that can still be among the last are copied. `Sample` is short (one
// code = 1/32768 of full scale) or float (full scale 1.0).
template <typename Sample> class EndKeeper {
public:
    EndKeeper(std::size_t channels, std::size_t count) : channels_(channels), count_(count) {}

    void add(const Sample* frames, std::size_t n);
    FileEnds ends() const;

private:
    std::size_t channels_;
    std::size_t count_;
    // Both grow with the file, so a header's claims cannot make them large.
    std::vector<Sample> head_;
    std::vector<Sample> tail_;
    std::size_t next_ = 0; // the ring's oldest frame once it is full
};

} // namespace ws::check
