// Where the benchmarks of the checker find the generated demo sets and the real recordings:
// where the tests' support library says when it is linked in, else beside this program in
// the build tree (<source>/build/<preset>/bench/ws_bench).
#pragma once

#include <filesystem>
#include <system_error>

namespace ws::bench {

inline std::filesystem::path ownFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

inline std::filesystem::path demoDir() {
#ifdef WS_DEMO_DIR
    return std::filesystem::path(WS_DEMO_DIR);
#else
    const std::filesystem::path own = ownFolder();
    return own.empty() ? own : own.parent_path() / "demo";
#endif
}

inline std::filesystem::path corpusDir() {
#ifdef WS_CORPUS_DIR
    return std::filesystem::path(WS_CORPUS_DIR);
#else
    const std::filesystem::path own = ownFolder();
    return own.empty()
               ? own
               : own.parent_path().parent_path().parent_path().parent_path() / "shared" / "corpus";
#endif
}

} // namespace ws::bench
