// SPDX-License-Identifier: MIT
// The console services of quillon-convert: log lines as they arise, messages, and the answers
// to the overwrite question.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/console_services.h"

namespace quillon {
namespace {

using Overwrite = ConsoleServices::Overwrite;

struct Console {
    explicit Console(ConsoleServices::Settings settings, std::string input = "")
        : in(std::move(input)), services(settings, out, err, in) {}

    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    ConsoleServices services;
};

TEST(ConsoleServices, PrintsEachLogLineOnceEndingInALineFeed) {
    Console c({});
    c.services.Append("HEADER data set was loaded properly.\r\n");
    c.services.Append("Total loaded data number = 2\r\nSDF file loading was done.\r\n");
    EXPECT_EQ(c.out.str(),
              "HEADER data set was loaded properly.\n"
              "Total loaded data number = 2\nSDF file loading was done.\n");
    EXPECT_EQ(c.err.str(), "");
}

TEST(ConsoleServices, LineWithoutItsEndWaitsUntilItIsComplete) {
    Console c({});
    c.services.Append("part");
    EXPECT_EQ(c.out.str(), "");
    c.services.Append(" done\r\nnext");
    EXPECT_EQ(c.out.str(), "part done\n");
    c.services.Append("\n");
    EXPECT_EQ(c.out.str(), "part done\nnext\n");
}

TEST(ConsoleServices, QuietPrintsNoLogLines) {
    ConsoleServices::Settings quiet;
    quiet.quiet = true;
    Console c(quiet);
    c.services.Append("HEADER data set was loaded properly.\r\n");
    EXPECT_EQ(c.out.str(), "");
}

TEST(ConsoleServices, MessagesGoToStandardErrorAfterTheProgramName) {
    Console c({});
    c.services.Message("Could not write /x/run1_Dark.txt: Is a directory.");
    EXPECT_EQ(c.err.str(), "quillon-convert: Could not write /x/run1_Dark.txt: Is a directory.\n");
    EXPECT_EQ(c.out.str(), "");
}

TEST(ConsoleServices, OverwriteOptionsAnswerTheQuestionWithoutAsking) {
    Console yes({false, Overwrite::kYes, true}, "n\n");
    EXPECT_TRUE(yes.services.AskYesNo("Overwrite?"));
    Console no({false, Overwrite::kNo, true}, "y\n");
    EXPECT_FALSE(no.services.AskYesNo("Overwrite?"));
    EXPECT_EQ(yes.err.str() + no.err.str(), "");
}

TEST(ConsoleServices, WithoutATerminalTheAnswerIsNoAndTheUserIsTold) {
    Console c({false, Overwrite::kAsk, false}, "y\n");
    EXPECT_FALSE(c.services.AskYesNo("Overwrite?"));
    EXPECT_NE(c.err.str().find("kept"), std::string::npos);
    EXPECT_EQ(c.err.str().find("Overwrite?"), std::string::npos);
}

TEST(ConsoleServices, AtATerminalTheQuestionIsRepeatedUntilYesOrNo) {
    const struct {
        const char* input;
        bool answer;
        int asked;
    } cases[] = {
        {"y\n", true, 1},   {"YES\n", true, 1},      {" n \n", false, 1},
        {"no\n", false, 1}, {"maybe\ny\n", true, 2}, {"\n\nn\n", false, 3},
        {"", false, 1},     {"what\n", false, 2},  // input ends before an answer: No
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.input);
        Console c({false, Overwrite::kAsk, true}, t.input);
        EXPECT_EQ(c.services.AskYesNo("Overwrite?"), t.answer);
        std::size_t asked = 0;
        for (std::size_t pos = 0;
             (pos = c.err.str().find("Overwrite? [y/n] ", pos)) != std::string::npos; ++pos) {
            ++asked;
        }
        EXPECT_EQ(asked, static_cast<std::size_t>(t.asked));
    }
}

}  // namespace
}  // namespace quillon
