// The memory a long session takes to read and play: a recording of two
// million pointer movements (a stroke held for hours, about 74 MB in the
// painter's own format) is played by seep-render --stats, and its peak
// resident memory must stay within four times the file's size. The figure
// is a counter; a run beyond the bound is reported as an error.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr long motionEvents = 2000000;
constexpr double boundPerFileSize = 4.0;

// The session as the painter's recorder writes it, one event per line; the
// pointer wanders over the canvas by a fixed recurrence.
std::string makeLongSession() {
    const std::string path = std::string(SEEP_BENCH_DIR) + "/long-stroke.json";
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        return path;
    }
    std::ofstream file(path + ".part", std::ios::binary);
    file << "{\n  \"version\": 1,\n  \"canvas\": \"default.bmp\",\n  \"seed\": 0,\n  \"events\": [\n"
            "    {\"do\":\"mouse\",\"button\":\"left\",\"state\":\"down\",\"x\":100,\"y\":300}";
    unsigned state = 1;
    for (long i = 0; i < motionEvents; ++i) {
        state = state * 1103515245u + 12345u;
        const unsigned x = 100 + (state >> 8) % 412;
        const unsigned y = 100 + (state >> 20) % 412;
        file << ",\n    {\"do\":\"motion\",\"x\":" << x << ",\"y\":" << y << "}";
    }
    file << ",\n    {\"do\":\"mouse\",\"button\":\"left\",\"state\":\"up\",\"x\":200,\"y\":250}\n  ]\n}\n";
    file.close();
    std::rename((path + ".part").c_str(), path.c_str());
    return path;
}

// Plays the session from the source folder (where default.bmp is found)
// and returns what the statistics line says of the peak, or -1.
double peakMemoryOfPlaying(const std::string& session) {
    const std::string errPath = std::string(SEEP_BENCH_DIR) + "/long-stroke.stderr";
    const pid_t child = fork();
    if (child == 0) {
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_RDWR);
        if (err < 0 || null < 0 || chdir(SEEP_SOURCE_DIR) != 0) {
            _exit(127);
        }
        dup2(null, 0);
        dup2(null, 1);
        dup2(err, 2);
        execl(SEEP_RENDER_PATH, SEEP_RENDER_PATH, session.c_str(), "--stats", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream err(errPath);
    double peak = -1.0;
    for (std::string line; std::getline(err, line);) {
        const std::size_t at = line.find("peak_memory_mb=");
        if (line.rfind("seep-render: steps=", 0) == 0 && at != std::string::npos) {
            peak = std::stod(line.substr(at + 15));
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? peak : -1.0;
}

void LongSessionMemory(benchmark::State& state) {
    const std::string session = makeLongSession();
    struct stat info {};
    stat(session.c_str(), &info);
    const double fileMegabytes = static_cast<double>(info.st_size) / (1024.0 * 1024.0);
    double peak = -1.0;
    for (auto _ : state) {
        peak = peakMemoryOfPlaying(session);
    }
    state.counters["file_mb"] = fileMegabytes;
    state.counters["peak_memory_mb"] = peak;
    state.counters["peak_per_file_size"] = peak / fileMegabytes;
    if (peak < 0.0) {
        state.SkipWithError("seep-render failed on the long session");
    } else if (peak > boundPerFileSize * fileMegabytes) {
        state.SkipWithError("reading the long session took more than four times its size");
    }
}

}  // namespace

// One play is the measurement: the peak does not vary between runs.
BENCHMARK(LongSessionMemory)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
