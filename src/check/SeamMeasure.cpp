// The seam's figures are taken per channel; the channel where the seam stands out most is
// the one reported, since a click in either speaker is heard.
#include "check/SeamMeasure.h"

#include "check/FileEnds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace ws::check {

namespace {

// How far the wave leaves its course at s[0]: the root mean square of how far s[0] and s[1]
// fall from the line through s[-2] and s[-1]. A step of d gives d; a wave that turns back
// at the seam with slope v gives about 2.2 v.
double departure(const double* s) {
    const double slope = s[-1] - s[-2];
    const double e1 = s[0] - (s[-1] + slope);
    const double e2 = s[1] - (s[-1] + 2 * slope);
    return std::sqrt(0.5 * (e1 * e1 + e2 * e2));
}

// Nearest rank, as for the typical step; 0 for no values.
double percentile99(std::vector<double>& values) {
    if (values.empty())
        return 0;
    const std::size_t rank = (values.size() * 99 + 99) / 100 - 1;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(rank), values.end());
    return values[rank];
}

struct ChannelSeam {
    double jump = 0;
    double near = 0;
};

// One channel's samples around the seam: its tail, then its head, as the loop plays them.
ChannelSeam channelSeam(const FileEnds& e, std::size_t c, std::vector<double>& seq,
                        std::vector<double>& departures) {
    const std::size_t n = e.frames();
    seq.clear();
    for (std::size_t f = 0; f < n; ++f)
        seq.push_back(e.tail[f * e.channels + c]);
    for (std::size_t f = 0; f < n; ++f)
        seq.push_back(e.head[f * e.channels + c]);
    ChannelSeam s;
    if (n < 2)
        return s; // one frame repeated: no seam to leave
    s.jump = departure(seq.data() + n);
    // Every point of the tail and of the head alone, none across the seam.
    // NaN samples of a float file leave no departure: they would upset the ordering.
    departures.clear();
    for (std::size_t side : {std::size_t{0}, n}) {
        for (std::size_t p = 2; p + 1 < n; ++p) {
            if (const double d = departure(seq.data() + side + p); !std::isnan(d))
                departures.push_back(d);
        }
    }
    s.near = percentile99(departures);
    return s;
}

// How far a seam is over the limit: above 1 it clicks.
double overLimit(double jump, double near) {
    return jump / std::max(SeamClickRatio * near, SeamJumpFloor);
}

} // namespace

void measureSeam(const FileEnds& e, AudioMeasure& m) {
    const std::size_t n = e.frames();
    if (n == 0)
        return;
    // The picture: channels averaged, the tail then the head.
    m.seamPicture.clear();
    for (const std::vector<double>* side : {&e.tail, &e.head}) {
        for (std::size_t f = 0; f < n; ++f) {
            double sum = 0;
            for (std::size_t c = 0; c < e.channels; ++c)
                sum += (*side)[f * e.channels + c];
            m.seamPicture.push_back(static_cast<float>(sum / double(e.channels)));
        }
    }
    m.seamAt = n;

    std::vector<double> seq, departures;
    double worst = -1;
    m.seamStep = 0;
    for (std::size_t c = 0; c < e.channels; ++c) {
        const double last = e.tail[(n - 1) * e.channels + c], first = e.head[c];
        m.seamStep = std::max(m.seamStep, std::fabs(first - last));
        const ChannelSeam s = channelSeam(e, c, seq, departures);
        if (const double over = overLimit(s.jump, s.near); over > worst) {
            worst = over;
            m.seamJump = s.jump;
            m.nearJump = s.near;
        }
    }
}

bool seamClicks(const AudioMeasure& m) {
    return overLimit(m.seamJump, m.nearJump) > 1;
}

std::string seamDetail(const AudioMeasure& m) {
    char text[160];
    if (m.nearJump > 0)
        std::snprintf(text, sizeof text,
                      "the wave jumps %.3f of full scale from its course at the seam, %.1f times "
                      "as far as it does by itself near the seam",
                      m.seamJump, m.seamJump / m.nearJump);
    else
        std::snprintf(text, sizeof text,
                      "the wave jumps %.3f of full scale from its course at the seam, where it "
                      "otherwise runs straight",
                      m.seamJump);
    return text;
}

std::string seamLimitText() {
    char text[320];
    std::snprintf(text, sizeof text,
                  "a loop's seam clicks when its first two samples leave the line through its "
                  "last two by more than %g of full scale and %g times as far as the wave "
                  "leaves such a line by itself within %d ms of the seam (99th percentile)",
                  SeamJumpFloor, SeamClickRatio, SeamPictureMs);
    return text;
}

} // namespace ws::check
