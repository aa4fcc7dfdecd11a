#pragma once
// A host for tests: records what the document shows (message boxes, status texts, cursors, redraw
// requests) and answers questions, file dialogs and forms from queues set up by the test. An empty
// queue gives the safe answer: No / Cancel for questions, Cancel for dialogs, OK for forms.

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "model/host.h"

namespace kivo::test {

class ScriptedHost : public Host {
public:
    struct Message {
        std::string text, caption;
        MsgButtons buttons;
        MsgIcon icon;
    };

    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override {
        messages.push_back({text, caption, buttons, icon});
        if (buttons == MsgButtons::Ok) return IDOK;
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::YesNo ? IDNO : IDCANCEL;
    }
    void StatusText(const std::string& text) override { statusTexts.push_back(text); }
    void UpdateViews(bool) override { ++updateViews; }
    bool OpenFileDialog(const std::string& filter, std::string& path) override {
        return Dialog(filter, path);
    }
    bool SaveFileDialog(const std::string& filter, std::string& path) override {
        return Dialog(filter, path);
    }
    bool RunForm(FormId, kivoMDIClient&) override {
        if (formAnswers.empty()) return true;
        bool ok = formAnswers.front();
        formAnswers.pop_front();
        return ok;
    }
    void SetCursor(CursorKind kind) override { cursors.push_back(kind); }

    std::string LastStatus() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }

    std::vector<Message> messages;
    std::deque<int> answers;             // IDYES / IDNO / IDCANCEL, one per question
    std::deque<std::string> dialogPaths; // one per file dialog; "" cancels
    std::deque<bool> formAnswers;
    std::vector<std::string> statusTexts;
    std::vector<std::string> dialogFilters;
    std::vector<CursorKind> cursors;
    int updateViews = 0;

private:
    bool Dialog(const std::string& filter, std::string& path) {
        dialogFilters.push_back(filter);
        if (dialogPaths.empty()) return false;
        path = dialogPaths.front();
        dialogPaths.pop_front();
        return !path.empty();
    }
};

// Points the settings file at a file that does not exist, so that the user's settings do not
// leak into a test (built-in defaults apply).
inline void UseBuiltInSettings() {
    ::setenv("KIVO_INI", "/nonexistent-kivo-test-dir/kivo.ini", 1);
}

} // namespace kivo::test
