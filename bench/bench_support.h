#pragma once
// Shared by the benchmarks: isolation from the user's settings, a scratch folder, and the line
// that sets a measured figure beside its target.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kivo::bench {

inline std::string ScratchDir(const char* name) {
    ::setenv("KIVO_INI", "/nonexistent-kivo-bench/kivo.ini", 1);
    auto dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(dir);
    return dir.string();
}

inline void Report(const char* what, double seconds, double target) {
    std::printf("%-52s %8.3f s   target < %.1f s   %s\n", what, seconds, target,
                seconds < target ? "met" : "MISSED");
}

} // namespace kivo::bench
