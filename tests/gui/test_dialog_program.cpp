#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/gui/DesktopDialogs.h"
#include "app/gui/DialogProgram.h"

namespace fs = std::filesystem;

namespace {

// A stand-in for the desktop's dialog program: it writes each argument it
// was given on a line of "arguments", prints the content of "answer" and
// exits with the status in "status".
class FakeDialogProgram : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/seep-dialog-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        program = (folder / "fake dialog").string();
        std::ofstream script(program);
        script << "#!/bin/sh\n"
               << "dir='" << folder.string() << "'\n"
               << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$dir/arguments\"\n"
               << "echo 'noise on the error stream' >&2\n"
               << "cat \"$dir/answer\"\n"
               << "exit $(cat \"$dir/status\")\n";
        script.close();
        chmod(program.c_str(), 0755);
        answer("", 0);
    }

    void TearDown() override {
        fs::remove_all(folder);
    }

    void answer(const std::string& text, int status) {
        std::ofstream(folder / "answer") << text;
        std::ofstream(folder / "status") << status;
    }

    std::vector<std::string> argumentsSeen() const {
        std::ifstream file(folder / "arguments");
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    fs::path folder;
    std::string program;
};

bool contains(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& entry : list) {
        if (entry == item) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(DialogColorAnswer, ReadsTheFormsTheColourDialogPrints) {
    using Rgb = std::array<unsigned char, 3>;
    EXPECT_EQ(parseColorAnswer("rgb(141,57,39)"), (Rgb{141, 57, 39}));
    EXPECT_EQ(parseColorAnswer("rgba(0,255,10,0.5)"), (Rgb{0, 255, 10}));
    EXPECT_EQ(parseColorAnswer("#8D3927"), (Rgb{141, 57, 39}));
    EXPECT_EQ(parseColorAnswer("#ffffff"), (Rgb{255, 255, 255}));
}

TEST(DialogColorAnswer, RefusesAnythingElseRatherThanGuessing) {
    for (const char* text : {"", "rgb(256,0,0)", "rgb(1,2)", "rgb(1,2,3", "rgb(1,2,3)x",
                             "rgb(-1,2,3)", "rgb( 1,2,3)", "#12345", "#12345g", "hsl(1,2,3)",
                             "rgba(1,2,3,0.5", "rgb(1000,2,3)"}) {
        EXPECT_FALSE(parseColorAnswer(text).has_value()) << text;
    }
}

TEST(DialogArguments, OpenAndSaveDialogsHaveTheirTitlesAndBehaviour) {
    const auto open = openFileArguments("zenity", "");
    EXPECT_EQ(open.front(), "zenity");
    EXPECT_TRUE(contains(open, "--file-selection"));
    EXPECT_TRUE(contains(open, "--title=Select input file"));
    EXPECT_FALSE(contains(open, "--save"));

    const auto save = saveFileArguments("zenity", "");
    EXPECT_TRUE(contains(save, "--title=Save file as"));
    // New names are allowed; replacing a file is confirmed first.
    EXPECT_TRUE(contains(save, "--save"));
    EXPECT_TRUE(contains(save, "--confirm-overwrite"));
    for (const auto& arguments : {open, save}) {
        EXPECT_TRUE(contains(arguments, "--file-filter=All Files(*.*) | *"));
        for (const std::string& argument : arguments) {
            EXPECT_NE(argument.rfind("--filename", 0), 0u) << "no previous name, none shown";
        }
    }

    const unsigned char rgb[3] = {1, 22, 255};
    EXPECT_TRUE(contains(colorArguments("zenity", rgb), "--color=rgb(1,22,255)"));
}

TEST_F(FakeDialogProgram, ArgumentsArriveVerbatimWithoutAShell) {
    // Quotes, spaces, a semicolon and a command substitution: a shell would
    // have split or run them.
    const std::string nasty = "/tmp/it's a \"picture\"; $(touch pwned) `x`.png";
    answer("/chosen/file.png\n", 0);
    const DialogOutcome outcome = runDialogProgram({program, "--one", nasty});
    EXPECT_EQ(outcome.status, DialogOutcome::Confirmed);
    // The final line break goes; the error stream's noise never arrives.
    EXPECT_EQ(outcome.answer, "/chosen/file.png");
    EXPECT_EQ(argumentsSeen(), (std::vector<std::string>{"--one", nasty}));
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(FakeDialogProgram, StatusTellsConfirmedCancelledAndUnavailableApart) {
    answer("", 1);
    EXPECT_EQ(runDialogProgram({program}).status, DialogOutcome::Cancelled);
    answer("", 5);
    EXPECT_EQ(runDialogProgram({program}).status, DialogOutcome::Cancelled);
    EXPECT_EQ(runDialogProgram({(folder / "missing").string()}).status,
              DialogOutcome::Unavailable);
    EXPECT_EQ(runDialogProgram({"seep-no-such-dialog-program"}).status,
              DialogOutcome::Unavailable);
    EXPECT_EQ(runDialogProgram({}).status, DialogOutcome::Unavailable);
    // A folder is not a program.
    EXPECT_EQ(runDialogProgram({folder.string()}).status, DialogOutcome::Unavailable);
}

TEST_F(FakeDialogProgram, FileDialogsRememberTheirOwnLastAnswer) {
    DesktopDialogs dialogs;
    dialogs.program = program;
    answer("/pictures/first one.png\n", 0);
    EXPECT_EQ(dialogs.openFile(), "/pictures/first one.png");
    EXPECT_FALSE(contains(argumentsSeen(), "--filename=/pictures/first one.png"));

    // A cancel returns "" and keeps what was remembered.
    answer("", 1);
    EXPECT_EQ(dialogs.openFile(), "");
    EXPECT_TRUE(contains(argumentsSeen(), "--filename=/pictures/first one.png"));
    EXPECT_EQ(dialogs.openFile(), "");
    EXPECT_TRUE(contains(argumentsSeen(), "--filename=/pictures/first one.png"));

    // The save dialogs start from their own memories, not the open one's.
    answer("/out/result.png\n", 0);
    EXPECT_EQ(dialogs.saveFile(), "/out/result.png");
    for (const std::string& argument : argumentsSeen()) {
        EXPECT_NE(argument.rfind("--filename", 0), 0u);
    }
    answer("/out/session.json\n", 0);
    EXPECT_EQ(dialogs.saveSessionFile(), "/out/session.json");
    EXPECT_FALSE(contains(argumentsSeen(), "--filename=/out/result.png"));
    EXPECT_EQ(dialogs.saveFile(), "/out/session.json");
    EXPECT_TRUE(contains(argumentsSeen(), "--filename=/out/result.png"));
}

TEST_F(FakeDialogProgram, ColourDialogStartsOnTheGivenColourAndKeepsItOnCancel) {
    DesktopDialogs dialogs;
    dialogs.program = program;
    unsigned char rgb[3] = {10, 20, 30};
    answer("rgb(200,100,0)\n", 0);
    EXPECT_TRUE(dialogs.chooseColor(rgb));
    EXPECT_TRUE(contains(argumentsSeen(), "--color=rgb(10,20,30)"));
    EXPECT_EQ(rgb[0], 200);
    EXPECT_EQ(rgb[1], 100);
    EXPECT_EQ(rgb[2], 0);

    answer("", 1);
    EXPECT_FALSE(dialogs.chooseColor(rgb));
    EXPECT_EQ(rgb[0], 200);

    // An answer that cannot be read counts as a cancel.
    answer("a colour\n", 0);
    EXPECT_FALSE(dialogs.chooseColor(rgb));
    EXPECT_EQ(rgb[1], 100);
}

TEST_F(FakeDialogProgram, WithoutADialogProgramTheDialogsSaySoAndCountAsCancelled) {
    DesktopDialogs dialogs;
    dialogs.program = (folder / "not installed").string();
    unsigned char rgb[3] = {1, 2, 3};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dialogs.openFile(), "");
    EXPECT_EQ(dialogs.saveFile(), "");
    EXPECT_FALSE(dialogs.chooseColor(rgb));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(rgb[0], 1);
    std::istringstream lines(said);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_NE(line.find("no dialog program is available"), std::string::npos) << line;
    }
    EXPECT_EQ(count, 3);
}
