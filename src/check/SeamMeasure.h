// Whether a loop's seam is heard as a click.
#pragma once

#include "AudioMeasure.h"

#include <cstdio>
#include <string>

namespace ws::check {

inline bool seamClicks(const AudioMeasure& m) {
    return m.frames >= 2 && m.seamStep > 0.01 && m.seamStep > 4.0 * m.typicalStep;
}

inline std::string seamDetail(const AudioMeasure& m) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "the step across the seam is %.3f of full scale, %.1f times the file's "
                  "typical step",
                  m.seamStep, m.typicalStep > 0 ? m.seamStep / m.typicalStep : 0.0);
    return text;
}

inline std::string seamLimitText() {
    return "a loop's seam clicks when its step exceeds 0.01 of full scale and 4 times the "
           "file's typical step";
}

} // namespace ws::check
