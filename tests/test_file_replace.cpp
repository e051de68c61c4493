#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "util/FileReplace.h"

namespace {

std::string folderFor(const std::string& name) {
    const std::string folder = ::testing::TempDir() + "seep_file_replace_" + name;
    EXPECT_EQ(std::system(("rm -rf '" + folder + "' && mkdir -p '" + folder + "'").c_str()), 0);
    return folder;
}

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    while (listing != nullptr) {
        const dirent* entry = readdir(listing);
        if (entry == nullptr) {
            break;
        }
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    if (listing != nullptr) {
        closedir(listing);
    }
    return names;
}

}  // namespace

TEST(FileReplace, AFailedWriteLeavesTheOldFileAndNoTemporaryBehind) {
    const std::string folder = folderFor("failed");
    const std::string target = folder + "/result.png";
    std::string error;
    ASSERT_TRUE(replaceFileContents(target, "old picture", error)) << error;

    std::string seenPath;
    std::filesystem::path seenFolder;
    const bool replaced = replaceFile(
        target,
        [&](const std::string& temporary) {
            seenPath = temporary;
            seenFolder = std::filesystem::canonical(std::filesystem::path(temporary).parent_path());
            std::ofstream(temporary) << "half a pic";  // then the writer gives up
            return false;
        },
        error);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(error, "");  // the writer reports its own failure
    EXPECT_EQ(contents(target), "old picture");
    EXPECT_EQ(entries(folder), std::vector<std::string>{"result.png"});
    // The writer saw a name in a folder of its own in the target's folder,
    // ending in the target's name, so a format chosen by extension is the
    // target's.
    EXPECT_EQ(seenFolder.parent_path(), std::filesystem::canonical(folder));
    EXPECT_EQ(seenPath.substr(seenPath.size() - std::string("/result.png").size()), "/result.png");
}

TEST(FileReplace, RefusesWhatIsNotAFileName) {
    std::string error;
    EXPECT_FALSE(replaceFileContents(folderFor("names") + "/", "x", error));
    EXPECT_EQ(error, "not a file name");
    const std::string folder = folderFor("directory");
    ASSERT_EQ(std::system(("mkdir '" + folder + "/taken'").c_str()), 0);
    // A folder in the way is not replaced, and nothing is left beside it.
    EXPECT_FALSE(replaceFileContents(folder + "/taken", "x", error));
    EXPECT_NE(error.find("cannot replace the file"), std::string::npos) << error;
    EXPECT_EQ(entries(folder), std::vector<std::string>{"taken"});
}
