#include "app/painting/PaintingCommands.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "app/SessionFile.h"
#include "app/SessionRecorder.h"
#include "app/Shell.h"
#include "app/painting/PaintingArchive.h"
#include "image/ImageIO.h"
#include "util/FileReplace.h"

namespace {

bool reportCannotOpen(const std::string& name, const std::string& problem) {
    std::cerr << "PaintingFile::open: cannot open painting: " << name << ": " << problem << std::endl;
    return false;
}

// Another program's painting: its flattened picture, put in a private
// folder for as long as the picture loader reads it.
bool openForeignPainting(Shell& shell, const std::string& name, const std::string& png) {
    char pattern[] = "/tmp/seep-painting-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return reportCannotOpen(name, "no room for its flattened picture");
    const std::string folder = pattern;
    const std::string picture = folder + "/mergedimage.png";
    std::string error;
    bool opened = replaceFileContents(picture, png, error) && openCanvasPicture(shell, picture);
    std::remove(picture.c_str());
    rmdir(folder.c_str());
    if (!opened) return reportCannotOpen(name, error.empty() ? "its flattened picture cannot be read" : error);
    std::cerr << "PaintingFile::open: " << name
              << " was made by another program: its flattened picture is the new canvas, and its paint cannot be "
                 "continued exactly"
              << std::endl;
    return true;
}

}  // namespace

bool savePainting(Shell& shell, const std::string& name) {
    if (name.empty()) return false;
    PaintingState state;
    std::string error;
    if (!capturePainting(shell, shell.recorder->paintingSession(), state, error)) {
        std::cerr << "PaintingFile::save: cannot save painting: " << name << ": " << error << std::endl;
        return false;
    }
    return saveChosenFile(shell.saves, "Painting Save", name, [&](const SaveFolder* inside) {
        if (!writePaintingFile(state, name, error, inside)) {
            std::cerr << "PaintingFile::save: cannot save painting: " << name << ": " << error << std::endl;
            return false;
        }
        std::cerr << "PaintingFile::save: painting saved: " << name << std::endl;
        return true;
    });
}

bool openPainting(Shell& shell, const std::string& name) {
    if (name.empty()) return false;
    const std::string path = ImageIO::findFile(name);
    if (path.empty()) return reportCannotOpen(name, "no such file");
    PaintingFileContent content;
    std::string error;
    if (!readPaintingFile(path, content, error)) return reportCannotOpen(name, error);
    if (!content.seep) return openForeignPainting(shell, name, content.flattenedPng);
    // The session inside must be one that plays: it is what the painting
    // is replayed from and what its next save keeps.
    Session session;
    if (!parseSession(content.state.session, session, error)) {
        return reportCannotOpen(name, "its session does not play: " + error);
    }
    const int width = content.state.width;
    const int height = content.state.height;
    shell.recorder->notePaintingOpened(content.state.session);
    restorePainting(shell, std::move(content.state));
    std::cerr << "PaintingFile::open: painting opened: " << name << " (" << width << "x" << height << ")"
              << std::endl;
    return true;
}
