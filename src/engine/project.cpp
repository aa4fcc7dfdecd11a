#include "engine/project.h"

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
    maxsta = nsta;
    maxtar = ntar;
    maxdist = ndist;
    maxdifh = ndifh;
    maxdir1 = ndir1;
    maxdir2 = ndir2;
    sta = staStore_.data();
    tar = tarStore_.data();
    alldist = distStore_.data();
    alldifh = difhStore_.data();
    alldir1 = dir1Store_.data();
    alldir2 = dir2Store_.data();
    const std::size_t n = static_cast<std::size_t>(nsta) + static_cast<std::size_t>(ntar);
    for (auto* v :
         {&results_.major12, &results_.minor12, &results_.phi12, &results_.major13, &results_.minor13,
          &results_.phi13, &results_.major23, &results_.minor23, &results_.phi23})
        v->assign(n, 0.0);
    return 0;
}

} // namespace kivo
