#include "model/profile_reader.h"

#include <cctype>
#include <cstdint>

#include <ini.h>

#include "files/atomic_file.h"

namespace kivo {

namespace {

constexpr std::size_t kMaxSettingsBytes = 1 << 20;

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Key(const std::string& section, const std::string& key) {
    return Lower(section) + "\n" + Lower(key);
}

int Handler(void* user, const char* section, const char* name, const char* value) {
    auto* values = static_cast<std::map<std::string, std::string>*>(user);
    if (name) values->emplace(Key(section, name), value ? value : ""); // the first occurrence wins
    return 1;
}

} // namespace

ProfileReader::ProfileReader(const std::string& path) {
    // Read whole first, without blocking: a FIFO, a device or a folder in the settings file's
    // place, or a file far larger than any settings file, reads as no file (built-in defaults).
    std::string text;
    if (!ReadRegularFile(path, text, kMaxSettingsBytes)) return;
    if (ini_parse_string(text.c_str(), Handler, &values_) < 0) values_.clear();
}

const std::string* ProfileReader::Find(const std::string& section, const std::string& key) const {
    auto it = values_.find(Key(section, key));
    return it == values_.end() ? nullptr : &it->second;
}

int ProfileReader::ParseProfileInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char p = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
        if (p == 'x') base = 16;
        if (p == 'o') base = 8;
        if (p == 'b') base = 2;
        if (base != 10) i += 2;
    }
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        int c = std::tolower(static_cast<unsigned char>(text[i]));
        int digit = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
        if (digit >= base) break;
        value = value * static_cast<std::uint32_t>(base) +
                static_cast<std::uint32_t>(digit); // wraps like the 32-bit reader
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

int ProfileReader::GetInt(const std::string& section, const std::string& key, int def) const {
    const std::string* v = Find(section, key);
    if (!v || v->empty()) return def;
    return ParseProfileInt(*v);
}

std::string ProfileReader::GetString(const std::string& section, const std::string& key,
                                     const std::string& def, std::size_t maxLen) const {
    const std::string* v = Find(section, key);
    std::string s = v ? *v : def;
    // A value in matching quotes is given without them.
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    if (s.size() > maxLen) s.resize(maxLen);
    return s;
}

} // namespace kivo
