// The name of a file's encoding as an author would say it ("PCM 16-bit", "IMA ADPCM",
// "FLAC 24-bit"), for the checker's report.
#pragma once

#include <string>

namespace ws::check {

// `format` is libsndfile's SF_INFO::format of the open file.
std::string encodingName(int format);

} // namespace ws::check
