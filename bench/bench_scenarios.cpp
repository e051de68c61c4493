// The painting scenarios under bench/*.json, played through the session
// player exactly as seep-render plays them, once with the painter's own time
// step and once with the plain reference step, side by side in one run.
//
// Run/<scenario>/<step> times the whole session after start-up and the
// panel settings it begins with (for the Instant Result scenarios, that is
// drawing the path and the run itself); Step/<scenario>/<step> times
// only the calls of the time step. <step> is plain, seep (the painter as it
// runs, its footprints on two threads when a step has enough of them) or
// seep-one-lane (the painter with every footprint on the calling thread).
// Both report steps and cell contacts per second of their time. History/photo-4k-strokes reports what the undo
// history holds after twelve brush strokes on the 4096 × 4096 picture.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "app/SessionPlayer.h"
#include "sim/WatercolorSimulation.h"
#include "tests/reference/PlainStep.h"

namespace {

enum class Stepper { Plain, SeepOneLane, Seep };

const char* stepperName(Stepper stepper) {
    switch (stepper) {
        case Stepper::Plain: return "plain";
        case Stepper::SeepOneLane: return "seep-one-lane";
        case Stepper::Seep: return "seep";
    }
    return "";
}

// Seconds of the monotonic clock, read without entering the kernel. Wall
// time, not the playing thread's CPU time: the painter's step may hand
// half of its footprints to a second thread. The machine is shared, so the
// steps are compared in interleaved repetitions under the same load.
double clockSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// A simulation that counts its steps and, when asked, the time they take.
// A step of a small scenario lasts some microseconds, so the scheduler
// rarely interrupts one and the monotonic clock times it as well as the
// thread's CPU clock would, at a small part of its cost.
template <typename Base>
class TimedSteps : public Base {
public:
    using Base::Base;
    int step(float dt) override {
        if (!timing) {
            ++steps;
            return Base::step(dt);
        }
        const double start = clockSeconds();
        const int active = Base::step(dt);
        stepSeconds += clockSeconds() - start;
        ++steps;
        return active;
    }
    bool timing = false;
    double stepSeconds = 0.0;
    long long steps = 0;
};

// Moves the painter's simulation, state and all, into one of type Sim.
template <typename Sim>
Sim& replaceSimulation(Shell& shell) {
    auto& from = static_cast<WatercolorSimulation&>(*shell.simulation);
    auto replacement = std::make_unique<Sim>(shell.state);
    Sim& made = *replacement;
    WatercolorSimulation& to = made;
    to.particleCount = from.particleCount;
    to.particleWater = std::move(from.particleWater);
    to.particlePigment = std::move(from.particlePigment);
    to.particleMass = from.particleMass;
    to.sizeMassTable = std::move(from.sizeMassTable);
    to.sizeMassTableLength = from.sizeMassTableLength;
    to.particlePosition = std::move(from.particlePosition);
    to.particleVelocity = std::move(from.particleVelocity);
    to.absorptionCapacity = std::move(from.absorptionCapacity);
    to.absorptionRate = std::move(from.absorptionRate);
    to.absorbedWater = std::move(from.absorbedWater);
    to.wetCells = std::move(from.wetCells);
    to.deposition = std::move(from.deposition);
    to.columnScale = std::move(from.columnScale);
    to.width = from.width;
    to.height = from.height;
    to.areaMask = std::move(from.areaMask);
    to.stampRadius = from.stampRadius;
    to.surfaceGradient = std::move(from.surfaceGradient);
    to.history = std::move(from.history);
    to.historyTop = from.historyTop;
    to.historyReference = std::move(from.historyReference);
    to.historyChanges = from.historyChanges;
    shell.simulation = std::move(replacement);
    return made;
}

// The progress lines of an Instant Result run and the picture loads' notes
// go to standard output and error; they are kept out of the benchmark's
// table while a scenario plays.
class Quiet {
public:
    Quiet() {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut = dup(1);
        savedErr = dup(2);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
            close(null);
        }
    }
    ~Quiet() {
        std::fflush(stdout);
        std::fflush(stderr);
        if (savedOut >= 0) dup2(savedOut, 1), close(savedOut);
        if (savedErr >= 0) dup2(savedErr, 2), close(savedErr);
    }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int savedOut = -1;
    int savedErr = -1;
};

struct Outcome {
    double seconds = 0.0;
    double stepSeconds = 0.0;
    long long steps = 0;
    std::uint64_t contacts = 0;
    std::size_t historyBytes = 0;
    std::size_t cells = 0;
};

const Session& session(const std::string& name) {
    static std::map<std::string, Session> loaded;
    auto found = loaded.find(name);
    if (found == loaded.end()) {
        Session s;
        std::string error;
        if (!loadSession(std::string(SEEP_BENCH_SESSIONS) + "/" + name + ".json", s, error)) {
            std::fprintf(stderr, "bench_scenarios: %s\n", error.c_str());
            std::exit(1);
        }
        found = loaded.emplace(name, std::move(s)).first;
    }
    return found->second;
}

// Plays a scenario; stepOnly times its steps, else the whole play.
Outcome play(const std::string& name, Stepper stepper, bool stepOnly) {
    const Session& s = session(name);
    Quiet quiet;
    HeadlessPainter painter;
    SessionPlayer player(painter, s);
    player.start();
    // Both steps run in the same kind of wrapper, so they pay the same for
    // being timed.
    double* stepSeconds = nullptr;
    long long* steps = nullptr;
    if (stepper == Stepper::Plain) {
        auto& sim = replaceSimulation<TimedSteps<PlainStepSim>>(painter.shell);
        sim.timing = stepOnly;
        stepSeconds = &sim.stepSeconds;
        steps = &sim.steps;
    } else {
        auto& sim = replaceSimulation<TimedSteps<WatercolorSimulation>>(painter.shell);
        sim.stampLaneSettings.enabled = stepper == Stepper::Seep;
        sim.timing = stepOnly;
        stepSeconds = &sim.stepSeconds;
        steps = &sim.steps;
    }
    // The panel settings at the head of a scenario reallocate the grids, the
    // same work for either step: they are played before the clock starts.
    auto event = s.events.begin();
    for (; event != s.events.end() && (*event).kind == EventKind::Set; ++event) player.play(*event);
    const double stepSecondsBefore = *stepSeconds;
    const long long stepsBefore = *steps;
    const double start = clockSeconds();
    for (; event != s.events.end(); ++event) player.play(*event);
    const double end = clockSeconds();

    Outcome outcome;
    outcome.seconds = end - start;
    outcome.stepSeconds = *stepSeconds - stepSecondsBefore;
    outcome.steps = *steps - stepsBefore;
    const auto& sim = static_cast<const WatercolorSimulation&>(*painter.shell.simulation);
    outcome.contacts = sim.cellContacts;
    outcome.historyBytes = tileBytes(sim.history);
    outcome.cells = static_cast<std::size_t>(sim.width) * static_cast<std::size_t>(sim.height);
    return outcome;
}

// The plain step keeps no count of its contacts; it makes exactly the
// painter's (the tests prove it), so the painter's count stands for both.
std::uint64_t contactsOf(const std::string& name) {
    static std::map<std::string, std::uint64_t> counted;
    auto found = counted.find(name);
    if (found == counted.end()) found = counted.emplace(name, play(name, Stepper::Seep, false).contacts).first;
    return found->second;
}

void report(benchmark::State& state, const Outcome& outcome, std::uint64_t contacts) {
    state.counters["steps"] = static_cast<double>(outcome.steps);
    // Every iteration plays the same scenario: rates per second of the
    // benchmark's own time (the run, or the steps alone).
    state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(outcome.steps),
                                                       benchmark::Counter::kIsIterationInvariantRate);
    state.counters["contacts_per_s"] = benchmark::Counter(
        static_cast<double>(contacts), benchmark::Counter::kIsIterationInvariantRate);
}

void runScenario(benchmark::State& state, const std::string& name, Stepper stepper, bool stepOnly) {
    const std::uint64_t contacts = contactsOf(name);
    Outcome outcome;
    for (auto _ : state) {
        outcome = play(name, stepper, stepOnly);
        state.SetIterationTime(stepOnly ? outcome.stepSeconds : outcome.seconds);
    }
    report(state, outcome, contacts);
}

void historyAfterStrokes(benchmark::State& state) {
    Outcome outcome;
    for (auto _ : state) {
        outcome = play("photo-4k-strokes", Stepper::Seep, false);
        state.SetIterationTime(outcome.seconds);
    }
    // What twelve whole copies of the deposition would take.
    const double flat = 12.0 * 16.0 * static_cast<double>(outcome.cells);
    state.counters["history_MB"] = static_cast<double>(outcome.historyBytes) / 1e6;
    state.counters["flat_MB"] = flat / 1e6;
    state.counters["history_share"] = static_cast<double>(outcome.historyBytes) / flat;
}

}  // namespace

int main(int argc, char** argv) {
    // The sessions' canvases are found from here by the image file search.
    if (chdir(SEEP_BENCH_DIR) != 0) {
        std::fprintf(stderr, "bench_scenarios: cannot enter %s\n", SEEP_BENCH_DIR);
        return 1;
    }
    for (const char* name : {"paper-stroke", "big-brush", "photo-4k"}) {
        for (const bool stepOnly : {false, true}) {
            for (const Stepper stepper : {Stepper::Plain, Stepper::SeepOneLane, Stepper::Seep}) {
                const std::string title =
                    std::string(stepOnly ? "Step/" : "Run/") + name + "/" + stepperName(stepper);
                benchmark::RegisterBenchmark(title.c_str(), [=](benchmark::State& state) {
                    runScenario(state, name, stepper, stepOnly);
                })->UseManualTime()->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::RegisterBenchmark("History/photo-4k-strokes", historyAfterStrokes)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
