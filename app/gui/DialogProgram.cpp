#include "app/gui/DialogProgram.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// The file a program name stands for, looked up in PATH as the shell would;
// "" when there is none. Looking first tells "not installed" apart from "the
// user cancelled" without relying on the child's exit status.
std::string findExecutable(const std::string& program) {
    if (program.empty()) {
        return "";
    }
    if (program.find('/') != std::string::npos) {
        return isExecutableFile(program) ? program : "";
    }
    const char* path = std::getenv("PATH");
    std::istringstream directories(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        const std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return "";
}

void closeQuietly(int fd) {
    if (fd >= 0) {
        close(fd);
    }
}

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            return text;
        }
    }
}

// Reads a decimal integer 0..255 at text[pos], moving pos past it.
bool readByte(const std::string& text, std::size_t& pos, unsigned char& value) {
    int number = 0;
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 4) {
        number = number * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == start || number > 255) {
        return false;
    }
    value = static_cast<unsigned char>(number);
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::vector<std::string> fileArguments(const std::string& program, bool save,
                                       const std::string& previous) {
    std::vector<std::string> arguments{program, "--file-selection"};
    if (save) {
        arguments.insert(arguments.end(), {"--save", "--confirm-overwrite", "--title=Save file as"});
    } else {
        arguments.emplace_back("--title=Select input file");
    }
    arguments.emplace_back("--file-filter=All Files(*.*) | *");
    if (!previous.empty()) {
        arguments.push_back("--filename=" + previous);
    }
    return arguments;
}

}  // namespace

DialogOutcome runDialogProgram(const std::vector<std::string>& arguments) {
    DialogOutcome outcome;
    if (arguments.empty()) {
        return outcome;
    }
    const std::string executable = findExecutable(arguments[0]);
    if (executable.empty()) {
        return outcome;
    }
    // Everything the child needs is prepared before the fork: between fork
    // and exec it may only make plain system calls.
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return outcome;
    }
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        if (devNull >= 0) {
            dup2(devNull, STDERR_FILENO);
        }
        // The window system's connection and every other descriptor of the
        // painter stay with the painter.
        close_range(3, ~0U, 0);
        execv(executable.c_str(), argv.data());
        _exit(127);
    }
    closeQuietly(pipeEnds[1]);
    closeQuietly(devNull);
    if (child < 0) {
        closeQuietly(pipeEnds[0]);
        return outcome;
    }
    outcome.answer = readAll(pipeEnds[0]);
    closeQuietly(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!outcome.answer.empty() && outcome.answer.back() == '\n') {
        outcome.answer.pop_back();
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        outcome.status = DialogOutcome::Confirmed;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        outcome.status = DialogOutcome::Unavailable;
    } else {
        outcome.status = DialogOutcome::Cancelled;
    }
    return outcome;
}

std::vector<std::string> openFileArguments(const std::string& program,
                                           const std::string& previous) {
    return fileArguments(program, false, previous);
}

std::vector<std::string> saveFileArguments(const std::string& program,
                                           const std::string& previous) {
    return fileArguments(program, true, previous);
}

std::vector<std::string> colorArguments(const std::string& program, const unsigned char rgb[3]) {
    return {program, "--color-selection", "--title=Select color",
            "--color=rgb(" + std::to_string(rgb[0]) + "," + std::to_string(rgb[1]) + "," +
                std::to_string(rgb[2]) + ")"};
}

std::optional<std::array<unsigned char, 3>> parseColorAnswer(const std::string& text) {
    std::array<unsigned char, 3> rgb{};
    if (text.size() == 7 && text[0] == '#') {
        for (int i = 0; i < 3; ++i) {
            const int high = hexDigit(text[1 + 2 * i]);
            const int low = hexDigit(text[2 + 2 * i]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            rgb[i] = static_cast<unsigned char>(high * 16 + low);
        }
        return rgb;
    }
    std::size_t pos = 0;
    if (text.rfind("rgba(", 0) == 0) {
        pos = 5;
    } else if (text.rfind("rgb(", 0) == 0) {
        pos = 4;
    } else {
        return std::nullopt;
    }
    for (int i = 0; i < 3; ++i) {
        if (!readByte(text, pos, rgb[i])) {
            return std::nullopt;
        }
        const char expected = i < 2 ? ',' : (pos < text.size() && text[pos] == ',' ? ',' : ')');
        if (pos >= text.size() || text[pos] != expected) {
            return std::nullopt;
        }
        ++pos;
    }
    // "rgba(...)": the opacity that follows is of no use to the painter.
    if (text[pos - 1] == ',') {
        pos = text.find(')', pos);
        if (pos == std::string::npos) {
            return std::nullopt;
        }
        ++pos;
    }
    return pos == text.size() ? std::optional(rgb) : std::nullopt;
}
