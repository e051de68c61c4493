// A 4096 × 4096 photograph as the canvas, as PNG and as JPEG: reading it (the
// canvas colours and the paper's grey levels from one read), setting up
// everything a step needs, and writing the result as PNG. Each run happens
// in a process of its own, so the peak memory reported is that run's alone.
// Then the photo-4k scenario played whole by seep-render, as a person runs it.
//
// Times are wall time; the reported time of a Photo run is read + set-up.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/SessionPlayer.h"
#include "app/ShellPictures.h"
#include "image/ImageIO.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Phases {
    double read = 0.0;
    double setUp = 0.0;
    double write = 0.0;
    double peakMegabytes = 0.0;
    int width = 0;
    int height = 0;
};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The painter's start-up on the picture, then Image Save to PNG; in the
// calling (child) process.
Phases startAndSave(const std::string& picture) {
    Phases phases;
    HeadlessPainter painter;
    painter.shell.canvasName = picture;
    const Clock::time_point started = Clock::now();
    initialize(painter.shell);
    const double startUp = secondsSince(started);
    phases.read = ImageIO::timings().loadSeconds;
    phases.setUp = startUp - phases.read;
    phases.width = painter.shell.state.window.canvasWidth;
    phases.height = painter.shell.state.window.canvasHeight;
    const Clock::time_point writing = Clock::now();
    saveResult(painter.shell, "bench-photo-result.png");
    phases.write = secondsSince(writing);
    std::remove("bench-photo-result.png");
    return phases;
}

// Runs startAndSave in a child process; its peak memory from the system.
bool measureInChild(const std::string& picture, Phases& phases) {
    int ends[2];
    if (pipe(ends) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        // The painter's console lines are not the benchmark's.
        std::freopen("/dev/null", "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        const Phases measured = startAndSave(picture);
        const bool sent = write(ends[1], &measured, sizeof measured) == static_cast<ssize_t>(sizeof measured);
        _exit(sent ? 0 : 1);
    }
    close(ends[1]);
    const bool received = child > 0 && read(ends[0], &phases, sizeof phases) == static_cast<ssize_t>(sizeof phases);
    close(ends[0]);
    int status = 0;
    rusage usage{};
    if (child > 0) {
        wait4(child, &status, 0, &usage);
    }
    phases.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return received && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void photo(benchmark::State& state, const std::string& picture) {
    Phases phases;
    for (auto _ : state) {
        if (!measureInChild(picture, phases)) {
            state.SkipWithError(("cannot start on " + picture).c_str());
            return;
        }
        state.SetIterationTime(phases.read + phases.setUp);
    }
    const double pixels = static_cast<double>(phases.width) * phases.height;
    state.counters["read_s"] = phases.read;
    state.counters["setup_s"] = phases.setUp;
    state.counters["write_png_s"] = phases.write;
    state.counters["peak_MB"] = phases.peakMegabytes;
    state.counters["peak_bytes_per_pixel"] = pixels > 0 ? phases.peakMegabytes * 1048576.0 / pixels : 0.0;
}

// seep-render SESSION -o OUT.png --stats; the figures of its stats line.
void render(benchmark::State& state, const std::string& session) {
    double total = 0.0;
    double load = 0.0;
    double save = 0.0;
    double peak = 0.0;
    for (auto _ : state) {
        const std::string command = std::string("'") + SEEP_RENDER_PATH + "' '" + session +
                                    "' -o bench-render-result.png --stats 2>&1 >/dev/null | grep '^seep-render:'";
        std::FILE* output = popen(command.c_str(), "r");
        char line[512] = {};
        const bool got = output != nullptr && std::fgets(line, sizeof line, output) != nullptr;
        if (output != nullptr) {
            pclose(output);
        }
        const char* fields = got ? std::strstr(line, "load_seconds=") : nullptr;
        if (fields == nullptr ||
            std::sscanf(fields, "load_seconds=%lf save_seconds=%lf total_seconds=%lf peak_memory_mb=%lf", &load,
                        &save, &total, &peak) != 4) {
            state.SkipWithError("seep-render gave no stats line");
            return;
        }
        state.SetIterationTime(total);
    }
    std::remove("bench-render-result.png");
    state.counters["load_s"] = load;
    state.counters["save_s"] = save;
    state.counters["peak_MB"] = peak;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // The pictures and the sessions' canvases are found from here.
    if (chdir(SEEP_BENCH_DIR "/images") != 0) {
        std::fprintf(stderr, "bench_photo: cannot enter %s/images\n", SEEP_BENCH_DIR);
        return 1;
    }
    for (const char* kind : {"png", "jpg"}) {
        benchmark::RegisterBenchmark((std::string("Photo/4096/") + kind).c_str(), photo,
                                     std::string("photo-4096.") + kind)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("Render/photo-4k", render, std::string(SEEP_BENCH_SESSIONS) + "/photo-4k.json")
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
