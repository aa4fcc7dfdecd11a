#include "support/test_support.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace kivo::test {

const CommaLocale& commaLocale() {
    static TempDir folder;
    static const CommaLocale made = [] {
        CommaLocale l;
        l.name = "de_DE.UTF-8";
        const std::string cmd = "localedef -i de_DE -f UTF-8 " + folder.file(l.name) + " >/dev/null 2>&1";
        const int status = std::system(cmd.c_str());
        // localedef exits 1 for warnings but still writes the locale: its numbers are what count.
        const std::string numeric = folder.file(l.name + "/LC_NUMERIC");
        if (!std::filesystem::exists(numeric)) {
            l.why = "no locale with a decimal comma: localedef -i de_DE -f UTF-8 failed (status " +
                    std::to_string(status) + "; are localedef and the locales sources installed?)";
            return l;
        }
        l.dir = folder.path().string();
        return l;
    }();
    return made;
}

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("kivo-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    // Past the limit the kernel also sends SIGXFSZ, which would end the test: it is ignored.
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim;
    getrlimit(RLIMIT_FSIZE, &lim);
    previous_ = lim.rlim_cur;
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit lim;
    getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = previous_;
    setrlimit(RLIMIT_FSIZE, &lim);
    std::signal(SIGXFSZ, previousHandler_);
}

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

std::vector<std::string> numberWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) {
        char* end = nullptr;
        std::strtod(w.c_str(), &end);
        if (end != w.c_str() && *end == 0) words.push_back(w);
    }
    return words;
}

} // namespace kivo::test
