// Stand-ins for the ideal observation values until the simulation library provides them. They are
// weak, so the real definitions replace them as soon as they are linked; delete this file then.

#include <cmath>

#include "model/kivoMDIClient.h"

namespace kivo {

namespace {
double Dist(const COMMON& a, const COMMON& b) {
    return std::sqrt((b.xReal - a.xReal) * (b.xReal - a.xReal) + (b.yReal - a.yReal) * (b.yReal - a.yReal) +
                     (b.zReal - a.zReal) * (b.zReal - a.zReal));
}
} // namespace

__attribute__((weak)) void kivoMDIClient::CalcTheoAngle(int a, int b, double& h, double& v) const {
    h = 1 + a, v = 100 + b;
}
__attribute__((weak)) void kivoMDIClient::CalcPointAngle(int t, int p, double& h, double& v) const {
    h = 2 + t, v = 100 + p;
}
__attribute__((weak)) void kivoMDIClient::CalcSBarAngle(int t, int s, double, double, double, double& h1,
                                                        double& v1, double& h2, double& v2) const {
    h1 = 3 + t, v1 = 100 + s, h2 = 4 + t, v2 = 101 + s;
}
__attribute__((weak)) void kivoMDIClient::CalcDistance(int t, int p, double& d) const {
    d = Dist(theoList[t], pointList[p]);
}
__attribute__((weak)) void kivoMDIClient::CalcHeight(int t, int p, double& h) const {
    h = pointList[p].zReal - theoList[t].zReal;
}
__attribute__((weak)) void kivoMDIClient::CalcPtDistance(int s, int t, double& d) const {
    d = Dist(pointList[s], pointList[t]);
}
__attribute__((weak)) void kivoMDIClient::CalcPtHeight(int s, int t, double& h) const {
    h = pointList[t].zReal - pointList[s].zReal;
}

} // namespace kivo
