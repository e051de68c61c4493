#pragma once

#include <IL/il.h>

// DevIL keeps one global current image and global switches, and is not safe
// to use from two threads. Every load and save therefore generates and binds
// an image name of its own for its whole length, and this guard deletes it and
// clears the switches such an operation sets on every way out, so no library
// image or switch outlives the operation.
class LibraryImage {
public:
    LibraryImage() {
        ilGenImages(1, &imageName);
        ilBindImage(imageName);
    }
    ~LibraryImage() {
        ilDisable(IL_ORIGIN_SET);
        ilDisable(IL_FILE_OVERWRITE);
        ilDeleteImages(1, &imageName);
    }
    LibraryImage(const LibraryImage&) = delete;
    LibraryImage& operator=(const LibraryImage&) = delete;

private:
    ILuint imageName = 0;
};
