// FakeServices: a DialogServices that records every call and answers questions from a script,
// for testing the loader, the renderers and the conversion without a window.
#pragma once

#include <string>
#include <vector>

#include "platform/dialog_services.h"
#include "scanfile/converter_state.h"
#include "scripted_answers.h"

namespace quillon::testing {

class FakeServices : public DialogServices, public ScriptedAnswers {
  public:
    // With a state, every refresh records the log text as the view would show it.
    explicit FakeServices(const ConverterState* state = nullptr) : m_pState(state) {}

    void Refresh() override {
        ++refreshes;
        if (m_pState != nullptr) {
            shownLogs.push_back(m_pState->m_strLog);
        }
    }
    void ReadControls() override { ++reads; }
    void Message(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override { return Answer(text); }
    void BeginWaitCursor() override { ++waitBegins; }
    void EndWaitCursor() override { ++waitEnds; }
    void Pause(int milliseconds) override { pauses.push_back(milliseconds); }

    int refreshes = 0;
    int reads = 0;
    int waitBegins = 0;
    int waitEnds = 0;
    std::vector<std::string> shownLogs;
    std::vector<std::string> messages;
    std::vector<int> pauses;

  private:
    const ConverterState* m_pState;
};

}  // namespace quillon::testing
