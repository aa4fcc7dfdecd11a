#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace kivo::test {

// A fresh temporary directory, removed when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// While it lives, every file this process writes fails past `bytes` bytes as on a full disk (the
// write reports EFBIG where a full disk reports ENOSPC): the file-size limit of the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long previous_;
    void (*previousHandler_)(int);
};

std::vector<unsigned char> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::string readText(const std::string& path);
void writeText(const std::string& path, const std::string& text);
std::vector<std::string> splitLines(const std::string& text);
// The blank-separated words of a line that read whole as numbers ("0.4494", "-12", "1e+300"), in
// order, as they stand: the caller sees the printed decimals.
std::vector<std::string> numberWords(const std::string& line);

// A locale that writes numbers with a decimal comma, generated once per test program with localedef:
// the folder to give as LOCPATH, and the name to give as LC_ALL or to setlocale. The folder is
// empty (and `why` says what is missing) where the locale cannot be made on this machine.
struct CommaLocale {
    std::string dir, name, why;
};
const CommaLocale& commaLocale();

} // namespace kivo::test
