// Names encodings from libsndfile's format codes; an encoding newer than the table below is
// given the library's own name for it.
#include "check/FormatName.h"

#include <sndfile.h>

namespace ws::check {

namespace {

std::string widthName(int subFormat) {
    switch (subFormat) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_DPCM_8:
        return "8-bit";
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_DPCM_16:
    case SF_FORMAT_DWVW_16:
    case SF_FORMAT_ALAC_16:
        return "16-bit";
    case SF_FORMAT_ALAC_20:
        return "20-bit";
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_DWVW_24:
    case SF_FORMAT_ALAC_24:
        return "24-bit";
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
        return "32-bit";
    case SF_FORMAT_DWVW_12:
        return "12-bit";
    default:
        return "";
    }
}

} // namespace

// The container is left out except where the container is the codec (FLAC).
std::string encodingName(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    const int sub = format & SF_FORMAT_SUBMASK;
    if (major == SF_FORMAT_FLAC)
        return widthName(sub).empty() ? "FLAC" : "FLAC " + widthName(sub);
    switch (sub) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
        return "PCM " + widthName(sub);
    case SF_FORMAT_PCM_U8:
        return "PCM 8-bit unsigned";
    case SF_FORMAT_FLOAT:
        return "float 32-bit";
    case SF_FORMAT_DOUBLE:
        return "float 64-bit";
    case SF_FORMAT_ULAW:
        return "u-law";
    case SF_FORMAT_ALAW:
        return "A-law";
    case SF_FORMAT_IMA_ADPCM:
        return "IMA ADPCM";
    case SF_FORMAT_MS_ADPCM:
        return "MS ADPCM";
    case SF_FORMAT_GSM610:
        return "GSM 6.10";
    case SF_FORMAT_VOX_ADPCM:
        return "OKI ADPCM";
    case SF_FORMAT_NMS_ADPCM_16:
    case SF_FORMAT_NMS_ADPCM_24:
    case SF_FORMAT_NMS_ADPCM_32:
        return "NMS ADPCM";
    case SF_FORMAT_G721_32:
        return "G.721 ADPCM";
    case SF_FORMAT_G723_24:
    case SF_FORMAT_G723_40:
        return "G.723 ADPCM";
    case SF_FORMAT_DWVW_12:
    case SF_FORMAT_DWVW_16:
    case SF_FORMAT_DWVW_24:
        return "DWVW " + widthName(sub);
    case SF_FORMAT_DWVW_N:
        return "DWVW";
    case SF_FORMAT_DPCM_8:
    case SF_FORMAT_DPCM_16:
        return "DPCM " + widthName(sub);
    case SF_FORMAT_VORBIS:
        return "Vorbis";
    case SF_FORMAT_OPUS:
        return "Opus";
    case SF_FORMAT_ALAC_16:
    case SF_FORMAT_ALAC_20:
    case SF_FORMAT_ALAC_24:
    case SF_FORMAT_ALAC_32:
        return "ALAC " + widthName(sub);
    case SF_FORMAT_MPEG_LAYER_I:
        return "MPEG Layer I";
    case SF_FORMAT_MPEG_LAYER_II:
        return "MPEG Layer II";
    case SF_FORMAT_MPEG_LAYER_III:
        return "MP3";
    default:
        break;
    }
    // An encoding newer than this table: the library's own name for it.
    SF_FORMAT_INFO info{};
    info.format = sub;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) == 0 && info.name)
        return info.name;
    return "unknown encoding";
}

} // namespace ws::check
