// SPDX-License-Identifier: MIT
// FakeView: a DialogView that keeps the controls' texts, check marks and enabled states in
// maps, behaves like automatic check boxes and radio buttons when clicked, answers the
// open-file dialog and questions from scripts, and records everything else.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dialog/dialog_view.h"
#include "scripted_answers.h"

namespace quillon::testing {

class FakeView : public DialogView, public ScriptedAnswers {
  public:
    std::string Text(Control control) const override {
        const auto found = texts.find(control);
        return found == texts.end() ? std::string() : found->second;
    }
    void SetText(Control control, const std::string& text) override {
        texts[control] = text;
        if (control == Control::Log) {
            ++logReplacements;
        }
    }
    void AppendText(Control control, const std::string& text) override {
        texts[control] += text;
        if (control == Control::Log) {
            ++logAppends;
        }
    }
    bool IsChecked(Control control) const override {
        const auto found = checks.find(control);
        return found != checks.end() && found->second;
    }
    void SetChecked(Control control, bool checked) override {
        checks[control] = checked;
        // The two scope buttons form one group.
        if (checked && control == Control::ConvertAll) {
            checks[Control::ConvertSelected] = false;
        } else if (checked && control == Control::ConvertSelected) {
            checks[Control::ConvertAll] = false;
        }
    }
    void Enable(Control control, bool enabled) override { enabledStates[control] = enabled; }
    bool IsEnabled(Control control) const {
        const auto found = enabledStates.find(control);
        return found == enabledStates.end() || found->second;
    }
    void PaintNow() override {
        ++paints;
        paintedLogs.push_back(Text(Control::Log));
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override { return Answer(text); }
    std::optional<std::string> ChooseFile(const OpenFileRequest& request) override {
        fileRequests.push_back(request);
        if (chosenFiles.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> chosen = chosenFiles.front();
        chosenFiles.pop_front();
        return chosen;
    }
    void BeginWaitCursor() override {
        ++waitBegins;
        ++waitDepth;
    }
    void EndWaitCursor() override {
        ++waitEnds;
        --waitDepth;
    }
    void Pause(int milliseconds) override { pauses.push_back(milliseconds); }
    void AcceptDroppedFiles() override { acceptsDrops = true; }
    void AddAboutCommand(const std::string& caption) override { aboutCaptions.push_back(caption); }
    void ShowAboutBox() override { ++aboutBoxes; }
    void EndDialog(int result) override { endResults.push_back(result); }
    void FileLoaded() override { loadedPaths.push_back(Text(Control::FilePath)); }
    void ShowNewestScan() override { ++newestScanShows; }
    void FileReleasing() override {
        if (onFileReleasing) {
            onFileReleasing();
        }
    }
    void SetTicking(bool on) override { ticking = on; }

    // The user types into an edit control.
    void Type(Control control, const std::string& text) { texts[control] = text; }
    // The user clicks a check box or radio button: its mark changes as an automatic button's
    // does, before the handler runs.
    void Click(Control control) {
        if (control == Control::ConvertAll || control == Control::ConvertSelected) {
            SetChecked(control, true);
        } else {
            checks[control] = !IsChecked(control);
        }
    }

    std::map<Control, std::string> texts;
    std::map<Control, bool> checks;
    std::map<Control, bool> enabledStates;
    int logReplacements = 0;
    int logAppends = 0;
    int paints = 0;
    std::vector<std::string> paintedLogs;
    std::vector<std::string> messages;
    std::vector<OpenFileRequest> fileRequests;
    std::deque<std::optional<std::string>> chosenFiles;  // cancelled once empty
    int waitBegins = 0;
    int waitEnds = 0;
    int waitDepth = 0;
    std::vector<int> pauses;
    bool acceptsDrops = false;
    std::vector<std::string> aboutCaptions;
    int aboutBoxes = 0;
    std::vector<int> endResults;
    // The path the path edit showed each time a file was reported loaded.
    std::vector<std::string> loadedPaths;
    int newestScanShows = 0;
    bool ticking = false;
    // Called when the dialog is about to replace or drop its file.
    std::function<void()> onFileReleasing;
};

}  // namespace quillon::testing
