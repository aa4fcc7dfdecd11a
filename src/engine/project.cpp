#include "engine/project.h"

#include <limits>
#include <utility>

namespace kivo {

std::string project::listingNameFor(const std::string& projectFile) {
    if (projectFile.empty()) return {};
    const std::size_t slash = projectFile.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = projectFile.find('.', nameStart);
    if (dot == std::string::npos) return projectFile + ".OUT";
    return projectFile.substr(0, dot) + ".OUT";
}

project::project(Feedback* pfb, const char* filename)
    : pfeedback(pfb), file_(filename ? filename : ""), listing_(listingNameFor(file_)) {
    runresults = &results_;
}

int project::projectalloc(int nsta, int ntar, int ndist, int ndifh, int ndir1, int ndir2, int, int) {
    if (nsta < 0 || ntar < 0 || ndist < 0 || ndifh < 0 || ndir1 < 0 || ndir2 < 0) return -1;
    staStore_.assign(nsta, edit_sta{});
    tarStore_.assign(ntar, edit_tar{});
    distStore_.assign(ndist, edit_mes{});
    difhStore_.assign(ndifh, edit_mes{});
    dir1Store_.assign(ndir1, edit_mes{});
    dir2Store_.assign(ndir2, edit_mes{});
    publish();
    return 0;
}

int project::projectadopt(std::vector<edit_sta> sta, std::vector<edit_tar> tar, std::vector<edit_mes> dist,
                          std::vector<edit_mes> difh, std::vector<edit_mes> dir1,
                          std::vector<edit_mes> dir2) {
    constexpr std::size_t most = static_cast<std::size_t>(std::numeric_limits<int>::max());
    if (sta.size() > most || tar.size() > most || dist.size() > most || difh.size() > most ||
        dir1.size() > most || dir2.size() > most || sta.size() + tar.size() > most)
        return -1;
    staStore_ = std::move(sta);
    tarStore_ = std::move(tar);
    distStore_ = std::move(dist);
    difhStore_ = std::move(difh);
    dir1Store_ = std::move(dir1);
    dir2Store_ = std::move(dir2);
    for (auto* v : {&distStore_, &difhStore_, &dir1Store_, &dir2Store_})
        v->shrink_to_fit(); // tables grown row by row hold spare room
    staStore_.shrink_to_fit();
    tarStore_.shrink_to_fit();
    publish();
    return 0;
}

void project::publish() {
    maxsta = static_cast<int>(staStore_.size());
    maxtar = static_cast<int>(tarStore_.size());
    maxdist = static_cast<int>(distStore_.size());
    maxdifh = static_cast<int>(difhStore_.size());
    maxdir1 = static_cast<int>(dir1Store_.size());
    maxdir2 = static_cast<int>(dir2Store_.size());
    sta = staStore_.data();
    tar = tarStore_.data();
    alldist = distStore_.data();
    alldifh = difhStore_.data();
    alldir1 = dir1Store_.data();
    alldir2 = dir2Store_.data();
    const std::size_t n = staStore_.size() + tarStore_.size();
    for (auto* v :
         {&results_.major12, &results_.minor12, &results_.phi12, &results_.major13, &results_.minor13,
          &results_.phi13, &results_.major23, &results_.minor23, &results_.phi23})
        v->assign(n, 0.0);
}

} // namespace kivo
