// A save that cannot be completed leaves whatever was at the target as it was
// and says so; a save that succeeds replaces the file whole. The tests run as
// root in CI, where folder permissions do not stop a write, so refusals are
// made with names no one can write through: a folder, a path under a regular
// file, a format the image library cannot write.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "app/SessionRecorder.h"

namespace fs = std::filesystem;

namespace {

constexpr PanelCommand ImageSave = PanelCommand::ImageSave;

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Everything under the scratch folder, so a test sees any file left behind.
std::vector<std::string> everything(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SafeSaves : public ::testing::Test {
protected:
    SafeSaves() {
        startQuietly(t, 3);
        fs::create_directory(scratch.path("taken"));
        writeText(scratch.path("taken/inside.txt"), "kept");
        writeText(scratch.path("plain.txt"), "a file, not a folder");
        before = everything(scratch.path(""));
    }

    // Image Save with the dialog answering name; returns the error stream.
    std::string imageSave(const std::string& name) {
        t.windows.fileAnswer = name;
        testing::internal::CaptureStderr();
        controlCallback(t.shell, ImageSave);
        return testing::internal::GetCapturedStderr();
    }

    ScratchDirectory scratch;
    TestShell t;
    std::vector<std::string> before;
};

}  // namespace

TEST_F(SafeSaves, ImageSaveThatCannotWriteLeavesEverythingAsItWas) {
    // An existing picture in a format the library cannot write: the old
    // bytes stay.
    writeText(scratch.path("old.unknownformat"), "the old picture");
    before = everything(scratch.path(""));
    for (const std::string name : {"old.unknownformat", "taken", "plain.txt/result.png", "no-such-folder/result.png",
                                   "taken/", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(imageSave(name), "ImageIO::save: cannot save file: " + name + "\n");
        EXPECT_EQ(everything(scratch.path("")), before);
    }
    EXPECT_EQ(contents(scratch.path("old.unknownformat")), "the old picture");
    EXPECT_EQ(contents(scratch.path("taken/inside.txt")), "kept");
    EXPECT_TRUE(fs::is_directory(scratch.path("taken")));
}

TEST_F(SafeSaves, ImageSaveReplacesAnOlderFileWhole) {
    writeText(scratch.path("result.png"), std::string(100000, 'x'));
    EXPECT_EQ(imageSave("result.png"), "ImageIO::save: file saved: result.png\n");
    ImageRect<vec4> back;
    testing::internal::CaptureStderr();
    const bool loaded = ImageIO::load("result.png", back);
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(back.width, t.shell.state.window.canvasWidth);
    EXPECT_LT(fs::file_size(scratch.path("result.png")), 100000u);
    // No temporary file or folder is left beside it.
    before.push_back("result.png");
    std::sort(before.begin(), before.end());
    EXPECT_EQ(everything(scratch.path("")), before);
}

TEST_F(SafeSaves, ImageSaveIntoAReadOnlyFolderIsRefused) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root, where folder permissions do not stop a write; the other cases "
                        "refuse writes with names no one can write through";
    }
    const std::string folder = scratch.path("locked");
    fs::create_directory(folder);
    writeText(folder + "/result.png", "old");
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    EXPECT_EQ(imageSave("locked/result.png"), "ImageIO::save: cannot save file: locked/result.png\n");
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(contents(folder + "/result.png"), "old");
}

TEST_F(SafeSaves, SessionSaveThatCannotWriteLeavesEverythingAsItWas) {
    SessionRecorder recorder;
    recorder.button("Init");
    for (const std::string name : {"taken", "plain.txt/session.json", "no-such-folder/session.json", "taken/"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(recorder.save(scratch.path(name)));
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(errors.rfind("SessionRecorder::save: cannot write " + scratch.path(name), 0), 0u) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1);
        EXPECT_EQ(everything(scratch.path("")), before);
    }
    EXPECT_EQ(contents(scratch.path("taken/inside.txt")), "kept");
}

TEST_F(SafeSaves, SessionSaveReplacesAnOlderFileWhole) {
    const std::string path = scratch.path("session.json");
    writeText(path, std::string(50000, ' ') + "trailing garbage");
    SessionRecorder recorder;
    recorder.button("Init");
    ASSERT_TRUE(recorder.save(path));
    EXPECT_EQ(contents(path), recorder.toJson());
}
