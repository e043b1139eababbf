// "--check" on several folders or, with "--recursive", on every asset below them: one line
// per asset as it is checked, in a fixed order, and a total; JSON lines for scripts.
#pragma once

#include <QStringList>

#include <filesystem>
#include <vector>

namespace ws {

struct CheckOptions {
    QStringList folders;                      // as shown
    std::vector<std::filesystem::path> paths; // the same, as the command line spells them
    bool json = false;
    bool recursive = false;
    bool verbose = false;
    int jobs = 0; // checking threads; 0 for one per core
};

// Checks the folders as a library and returns the worst exit code (CommandLine.h). Throws
// std::system_error when the listing cannot be written.
int checkLibraryFolders(const CheckOptions& options);

} // namespace ws
