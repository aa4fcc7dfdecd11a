// The file commands: New, Open, Save, Save As, Close, and the questions around them.

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/byte_stream.h"
#include "model/network_document.h"

namespace kivo {

namespace {

std::size_t FileNameStart(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The file name upper-cased, for the title bar only: the path the project is read from and written
// to keeps the case it was given in, since the file system here tells the cases apart.
std::string UpperFileName(const std::string& path) {
    std::string out = path;
    for (std::size_t i = FileNameStart(path); i < out.size(); ++i)
        out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[i])));
    return out;
}

} // namespace

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
    std::size_t start = FileNameStart(name);
    std::size_t dot = name.find('.', start);
    return name.substr(0, dot == std::string::npos ? name.size() : dot) + ext;
}

void NetworkDocument::ErrorBox(int code) {
    char text[32];
    std::snprintf(text, sizeof text, "Error # %d", code);
    host_->MessageBox(text, "Error", MsgButtons::Ok, MsgIcon::Stop);
}

int NetworkDocument::SaveChange() {
    std::string text = "Save changes to " + OpenName + " ?";
    int answer = host_->MessageBox(text, "KIVO", MsgButtons::YesNoCancel, MsgIcon::Question);
    if (answer == IDCANCEL) return IDCANCEL;
    if (answer == IDYES) {
        CmSaveFile();
        // A save that was cancelled in its dialog or failed keeps the project: closing it now
        // would throw the changes away.
        if (bFileDirty) return IDCANCEL;
        return IDYES;
    }
    return IDNO;
}

bool NetworkDocument::CloseProject() {
    if (bFileDirty && SaveChange() == IDCANCEL) return false;
    StatBarMessage("");
    host_->DestroyViews();
    DestroyMemory();
    bFileOpen = false;
    DiscardOutput();
    ForgetImages();
    return true;
}

void NetworkDocument::CmFileNew() {
    if (bFileOpen && !CloseProject()) return;
    OpenName = "UNTITLED.SIM";

    int clientWidth, clientHeight;
    host_->ClientSize(clientWidth, clientHeight);
    for (int i = 0; i < 3; ++i) {
        mdiX[i] = mdiY[i] = 18 * i;
        mdiWidth[i] = clientWidth - 40;
        mdiHeight[i] = clientHeight - 40;
        mdiFlags[i] = 1;
    }

    CopyField(Project, sizeof Project, "");
    CopyField(Task, sizeof Task, "");
    CopyField(Date, sizeof Date, "");
    globalPos = 1;
    globalTheo = 0;
    globalPoint = 1;
    globalSBar = 1;

    SDTheoLocFix = SDTheoRotFix = SDPointLocFix = 12700.0;
    SDTheoLocApx = SDTheoRotApx = SDPointLocApx = 0.1;
    SDTheoLocUnk = SDTheoRotUnk = SDPointLocUnk = 1e-20;
    SDSBarLength = 0.0001;
    hSDAngle = vSDAngle = 0.0005;
    SDDistance = 0.001;
    SDHeight = 0.001;

    nNumTheos = nMaxTheos = nNumPoints = nMaxPoints = nNumSBars = nMaxSBars = 0;
    dataEntry = 0;

    bIdeals = true;
    bObject = true;
    bName = true;
    bAbbreviate = false;
    bCollimate = bDirect = bDistance = bHeight = bEllipse = false;

    magic = SIM_MAGIC_CURRENT;
    CheckViewItems();

    if (!RunForm(FormId::Project)) return;
    GetDefParmData();
    if (!RunForm(FormId::Parameter)) return;

    GetDefDisplayData();
    SetScaleFactors();
    SetWindowParms();
    CreateMemory();
    bFileOpen = true;
    bFileNamed = false;
    bFileDirty = true;
    host_->CreateViews();
}

void NetworkDocument::OpenSIMFile(const std::string& name) {
    OpenName = name;
    CreateMemory();
    if (!ReadSimFile()) return;
    SetScaleFactors();
    SetWindowParms();
    ProcessSimData();
    bFileOpen = true;
    bFileNamed = true;
    bFileDirty = false;
    host_->CreateViews();
    CheckViewItems();
    bValFile = LoadOutput();
}

void NetworkDocument::CmFileOpen() {
    if (bFileOpen && !CloseProject()) return;
    std::string path;
    if (host_->OpenFileDialog(SIM_FILTER, path)) OpenSIMFile(path);
}

void NetworkDocument::SaveAs(const std::string& path) {
    const std::string previous = OpenName;
    const bool wasNamed = bFileNamed;
    OpenName = path;
    GetWindowLayout();
    // A write-protected file is not replaced, although the rename of the temporary file would get
    // around its protection.
    const bool isProtected = WriteProtected(OpenName);
    const bool written = !isProtected && WriteSimFile();
    const int err = errno;
    if (!written) {
        const std::string why = isProtected ? OpenName + " is write-protected.\nThe project was not saved."
                                            : "The project could not be saved as " + OpenName + ":\n" +
                                                  std::strerror(err) + ".\nThe file on disk is unchanged.";
        host_->MessageBox(why, "KIVO", MsgButtons::Ok, MsgIcon::Exclamation);
        OpenName = previous;
        bFileNamed = wasNamed;
        return;
    }
    bFileNamed = true;
    bFileDirty = false;
    if (change_.depth > 0) change_.savedInside = true;
    host_->ProjectSaved();
    host_->SetFrameTitle(FrameTitle());
    StatBarMessage("Saved " + OpenName.substr(FileNameStart(OpenName)));
}

std::string NetworkDocument::FrameTitle() const {
    return applTitle + " - " + UpperFileName(OpenName);
}

void NetworkDocument::CmSaveFile() {
    if (bFileNamed) {
        SaveAs(OpenName);
        return;
    }
    std::string path;
    if (!host_->SaveFileDialog(SIM_FILTER, path)) return;
    SaveAs(path);
}

void NetworkDocument::CmSaveAsFile() {
    std::string path;
    if (!host_->SaveFileDialog(SIM_FILTER, path)) return;
    if (path.find('.', FileNameStart(path)) == std::string::npos) path += ".SIM";
    SaveAs(path);
}

void NetworkDocument::CmFileClose() {
    CloseProject();
}

bool NetworkDocument::CanClose() {
    if (!bFileOpen) return true;
    if (bFileDirty && SaveChange() == IDCANCEL) return false;
    host_->DestroyViews();
    DestroyMemory();
    DiscardOutput();
    ForgetImages();
    return true;
}

} // namespace kivo
