#include "model/host.h"

namespace kivo {

// Without a screen: 96 dots per inch exactly (9600 pixels over 2540 mm gives 96 / 25.4 pixels per mm).
void Host::ScreenMetrics(int& horzRes, int& vertRes, int& horzSize, int& vertSize) {
    horzRes = 9600;
    vertRes = 9600;
    horzSize = 2540;
    vertSize = 2540;
}

void Host::ClientSize(int& width, int& height) {
    width = 1024;
    height = 768;
}

int NullHost::MessageBox(const std::string&, const std::string&, MsgButtons buttons, MsgIcon) {
    return SafeAnswer(buttons);
}

int SafeAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
        return IDOK;
    case MsgButtons::YesNo:
        return IDNO;
    case MsgButtons::YesNoCancel:
        return IDCANCEL;
    }
    return IDCANCEL;
}

} // namespace kivo
