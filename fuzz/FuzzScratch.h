// The scratch folder of one harness process, for the files an input becomes. It is made once,
// with a unique name, under $WS_FUZZ_SCRATCH, else /dev/shm (no disk writes at thousands of
// inputs a second), else $TMPDIR or /tmp, so that harnesses and runs side by side never share
// one; it is emptied before each input and removed when the process ends normally.
#pragma once

#include "FuzzCheck.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace ws::fuzz {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& harness) {
        std::string pattern = (base() / ("whistlestop-fuzz-" + harness + "-XXXXXX")).string();
        WS_FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The folder, with whatever the previous input left in it removed.
    const std::filesystem::path& emptied() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
            std::filesystem::remove_all(entry.path(), ec);
            WS_FUZZ_CHECK(!ec);
        }
        WS_FUZZ_CHECK(!ec);
        return path_;
    }

private:
    static std::filesystem::path base() {
        if (const char* set = std::getenv("WS_FUZZ_SCRATCH"); set && *set)
            return set;
        if (access("/dev/shm", W_OK) == 0)
            return "/dev/shm";
        if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
            return tmp;
        return "/tmp";
    }

    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    WS_FUZZ_CHECK(out.good());
}

} // namespace ws::fuzz
