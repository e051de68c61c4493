#pragma once

#include <string>

// Every file Seep reads (pictures, sessions) is opened here. A name given by
// someone else may be a named pipe, a device or a folder: opening a pipe for
// reading waits for a writer, and /dev/zero never ends. So the file is opened
// without waiting and kept only when it turns out to be a regular file.

// A descriptor for reading path (close-on-exec, reads blocking as usual), or
// -1 when it cannot be opened or is not a regular file; failure then says why
// ("not a regular file", or the system's reason such as "Is a directory").
int openRegularFile(const std::string& path, std::string* failure = nullptr);

// Whether path opens as a regular file; the file is closed again.
bool isRegularFile(const std::string& path);
