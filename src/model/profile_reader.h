#pragma once
// Reads a settings file in the INI format with the conversions of a Windows private-profile reader:
// section and key names ignore letter case, the first occurrence of a key counts, a missing file
// or key gives the caller's default.

#include <map>
#include <string>

namespace kivo {

class ProfileReader {
public:
    // Reads `path`; a file that does not exist, is not a regular file, or cannot be parsed reads as
    // empty.
    explicit ProfileReader(const std::string& path);

    // The integer value of a key: leading blanks, an optional sign, then digits in base 10, or
    // after "0x" in base 16, "0o" in base 8, "0b" in base 2, up to the first other character.
    // A missing key or an empty value gives `def`; text without digits gives 0.
    int GetInt(const std::string& section, const std::string& key, int def) const;
    // The text of a key cut to `maxLen` characters; a missing key gives `def`.
    std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                          std::size_t maxLen = 31) const;

    static int ParseProfileInt(const std::string& text);

private:
    const std::string* Find(const std::string& section, const std::string& key) const;
    std::map<std::string, std::string> values_; // "section\nkey" in lower case -> value
};

} // namespace kivo
