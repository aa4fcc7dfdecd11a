#pragma once
// Points KIVO_INI at a settings file of the test's own (or at none) for the lifetime of the object.

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace kivo::test {

class ScopedIni {
public:
    // No settings file at all: built-in defaults.
    ScopedIni() { setenv("KIVO_INI", dir_.file("missing.ini").c_str(), 1); }
    explicit ScopedIni(const std::string& content) {
        writeText(dir_.file("kivo.ini"), content);
        setenv("KIVO_INI", dir_.file("kivo.ini").c_str(), 1);
    }
    ~ScopedIni() { setenv("KIVO_INI", "/nonexistent/kivo.ini", 1); }

private:
    TempDir dir_;
};

} // namespace kivo::test
