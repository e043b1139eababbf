// A file-system path as the QString that the program's own functions take.
#pragma once

#include <QString>

#include <filesystem>

namespace ws::test {

inline QString qpath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

} // namespace ws::test
