#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "util/FileReplace.h"
#include "util/SaveFolder.h"

namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// scratch/save is the save folder, with a folder and links of every kind in
// it; scratch/outside holds what no save may touch.
class SaveFolderTest : public ::testing::Test {
protected:
    SaveFolderTest() {
        fs::remove_all(scratch);
        fs::create_directories(save / "sub");
        fs::create_directories(outside);
        std::ofstream(outside / "victim.png") << "precious";
        fs::create_directory_symlink("sub", save / "inward");
        fs::create_directory_symlink("../outside", save / "outward");
        fs::create_directory_symlink(outside, save / "absolute");
        fs::create_symlink("../outside/victim.png", save / "victim.png");
        fs::create_symlink("sub/mine.png", save / "mine.png");
    }
    ~SaveFolderTest() override { fs::remove_all(scratch); }

    const fs::path scratch = fs::path(::testing::TempDir()) / "seep_save_folder";
    const fs::path save = scratch / "save";
    const fs::path outside = scratch / "outside";
};

}  // namespace

TEST_F(SaveFolderTest, RefusesEveryNameThatLeadsOutsideAndNoOther) {
    const std::string absolute = "an absolute name leads outside the save folder";
    const std::string climbing = "\"..\" leads outside the save folder";
    const std::string linkOut = "a symbolic link leads outside the save folder";
    const std::string notFollowed = "a symbolic link on its way (links are not followed on this system)";
    for (const bool walkOnly : {false, true}) {
        SaveFolder folder;
        std::string error;
        ASSERT_TRUE(folder.open(save.string(), error)) << error;
        folder.walkOnly = walkOnly;
        const struct {
            std::string name;
            std::string kernel;  // the refusal where the kernel resolves
            std::string walked;  // and where the folders are walked
        } cases[] = {
            {"x.png", "", ""},
            {"./sub/x.png", "", ""},
            {"missing/x.png", "", ""},
            {"", "", ""},
            {(outside / "x.png").string(), absolute, absolute},
            {"../outside/x.png", climbing, climbing},
            {"sub/../../outside/x.png", climbing, climbing},
            {"outward/x.png", linkOut, notFollowed},
            {"absolute/x.png", linkOut, notFollowed},
            {"victim.png", linkOut, notFollowed},
            {"inward/x.png", "", notFollowed},
            {"mine.png", "", notFollowed},
        };
        for (const auto& c : cases) {
            EXPECT_EQ(folder.refusal(c.name), walkOnly ? c.walked : c.kernel)
                << c.name << (walkOnly ? " (walked)" : "");
        }
        // A refused name is not written, by the check or without it.
        EXPECT_FALSE(replaceFile(
            "outward/x.png", [](const std::string&) { return true; }, error, &folder));
        EXPECT_EQ(error, walkOnly ? notFollowed : linkOut);
    }
    EXPECT_EQ(contents(outside / "victim.png"), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
}

// A folder on the name's way is swapped for a link outside while the file is
// being written, as another program could do between the check and the
// write: the file still lands in the folder that was checked.
TEST_F(SaveFolderTest, ALinkSwappedInDuringTheWriteLeadsNowhere) {
    SaveFolder folder;
    std::string error;
    ASSERT_TRUE(folder.open(save.string(), error)) << error;
    const bool written = replaceFile(
        "sub/late.png",
        [&](const std::string& temporary) {
            fs::rename(save / "sub", save / "moved");
            fs::create_directory_symlink("../outside", save / "sub");
            std::ofstream(temporary) << "painting";
            return true;
        },
        error, &folder);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(contents(save / "moved" / "late.png"), "painting");
    EXPECT_FALSE(fs::exists(outside / "late.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(save / "moved"), fs::directory_iterator()), 1);
}
