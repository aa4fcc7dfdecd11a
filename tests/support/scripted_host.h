#pragma once
// A host for tests: records what the document shows (message boxes, status texts, menu states,
// cursors, redraw and view requests) and answers questions, file dialogs and forms from queues set
// up by the test. An empty queue gives the safe answer: No / Cancel for questions, Cancel for
// dialogs, OK for forms. A message box with only an OK button takes no scripted answer (the user
// can only press OK), so a queued answer always goes to the next real question.

#include <cstdlib>
#include <deque>
#include <string>
#include <utility>
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
    void EnableMenuItem(int id, bool enable) override { menuItems.push_back({id, enable}); }
    void SetFrameTitle(const std::string& title) override { frameTitle = title; }
    bool OpenFileDialog(const std::string& filter, std::string& path) override {
        return Dialog(filter, path);
    }
    bool SaveFileDialog(const std::string& filter, std::string& path) override {
        return Dialog(filter, path);
    }
    bool RunForm(FormId id, kivoMDIClient&) override {
        forms.push_back(id);
        if (formAnswers.empty()) return true;
        bool ok = formAnswers.front();
        formAnswers.pop_front();
        return ok;
    }
    bool BeginTool(int cursor) override {
        if (!toolView) return false;
        ++captures;
        toolCursor = cursor;
        return true;
    }
    void ReleaseMouse() override { ++releases; }
    void SetCursor(CursorKind kind) override { cursors.push_back(kind); }
    void CreateViews() override { ++viewsCreated; }
    void DestroyViews() override { ++viewsDestroyed; }

    std::string LastStatus() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }

    // The "Error # N" codes shown so far.
    std::vector<int> ErrorCodes() const {
        std::vector<int> codes;
        for (const Message& m : messages)
            if (m.caption == "Error" && m.text.rfind("Error # ", 0) == 0)
                codes.push_back(std::stoi(m.text.substr(8)));
        return codes;
    }

    // Scripts.
    std::deque<int> answers;             // IDYES / IDNO / IDCANCEL, one per question
    std::deque<std::string> dialogPaths; // one per file dialog; "" cancels
    std::deque<bool> formAnswers;        // one per form; true is OK
    bool toolView = true;                // a graphic view is shown that can take a tool

    // Records.
    std::vector<Message> messages;
    std::vector<std::string> statusTexts;
    std::vector<std::string> dialogFilters;
    std::vector<FormId> forms;
    std::vector<std::pair<int, bool>> menuItems; // command id, enabled
    std::vector<CursorKind> cursors;
    std::string frameTitle;
    int updateViews = 0, viewsCreated = 0, viewsDestroyed = 0;
    int captures = 0, releases = 0, toolCursor = -1;

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
