// SPDX-License-Identifier: MIT
// ScriptedAnswers: the overwrite question as the test fakes answer it: every question is
// recorded, and answered from a script of Yes/No answers, No once the script is used up.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace quillon::testing {

struct ScriptedAnswers {
    bool Answer(const std::string& question) {
        questions.push_back(question);
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> questions;
    std::deque<bool> answers;  // answers to the next questions; No once empty
};

}  // namespace quillon::testing
