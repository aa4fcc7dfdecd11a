#pragma once
// A host for tests: records every message, status text and request, and answers questions, file
// dialogs and forms from scripts.

#include <deque>
#include <string>
#include <vector>

#include "model/host.h"

namespace kivo::test {

class FakeHost : public Host {
public:
    struct Message {
        std::string text, caption;
        MsgButtons buttons;
    };

    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon) override {
        messages.push_back({text, caption, buttons});
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::Ok ? IDOK : buttons == MsgButtons::YesNo ? IDNO : IDCANCEL;
    }
    void StatusText(const std::string& text) override { status.push_back(text); }
    void UpdateViews(bool) override { ++updates; }
    void EnableMenuItem(int id, bool enable) override { menu.push_back({id, enable}); }
    void SetFrameTitle(const std::string& t) override { title = t; }
    bool OpenFileDialog(const std::string&, std::string& path) override { return Dialog(path); }
    bool SaveFileDialog(const std::string&, std::string& path) override { return Dialog(path); }
    bool RunForm(FormId id, kivoMDIClient&) override {
        forms.push_back(id);
        return formAnswer;
    }
    bool BeginTool(int cursor) override {
        if (!toolView) return false;
        ++captures;
        toolCursor = cursor;
        return true;
    }
    void ReleaseMouse() override { ++releases; }
    void CreateViews() override { ++viewsCreated; }
    void DestroyViews() override { ++viewsDestroyed; }

    // The "Error # N" codes shown so far.
    std::vector<int> ErrorCodes() const {
        std::vector<int> codes;
        for (const Message& m : messages)
            if (m.caption == "Error" && m.text.rfind("Error # ", 0) == 0) codes.push_back(std::stoi(m.text.substr(8)));
        return codes;
    }

    std::deque<int> answers;           // answers to questions, in order
    std::deque<std::string> dialogs;   // paths the file dialogs return; "" = Cancel
    bool formAnswer = true;
    std::vector<Message> messages;
    std::vector<std::string> status;
    std::vector<std::pair<int, bool>> menu;
    std::vector<FormId> forms;
    std::string title;
    int updates = 0, viewsCreated = 0, viewsDestroyed = 0;
    bool toolView = true; // a graphic view is shown that can take a tool
    int captures = 0, releases = 0, toolCursor = -1;

private:
    bool Dialog(std::string& path) {
        if (dialogs.empty()) return false;
        path = dialogs.front();
        dialogs.pop_front();
        return !path.empty();
    }
};

} // namespace kivo::test
