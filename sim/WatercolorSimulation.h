#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "sim/CellRect.h"
#include "sim/DepositionSnapshot.h"
#include "sim/Footprint.h"
#include "sim/FootprintContact.h"
#include "sim/GridStorage.h"
#include "sim/ShellState.h"
#include "sim/SizeTable.h"
#include "sim/StampLanes.h"
#include "sim/StampPlan.h"
#include "sim/WetCells.h"
#include "util/Vectors.h"
#include "util/WorkerThread.h"

struct StampGrids;

// The simulation: particles of water carrying pigment over a paper canvas.
// Its grids are flat arrays of width × height cells, cell (x, y) at index
// y · width + x, rows in the order of the canvas picture's rows.
class WatercolorSimulation {
public:
    explicit WatercolorSimulation(ShellState& shell);
    virtual ~WatercolorSimulation() = default;

    WatercolorSimulation(const WatercolorSimulation&) = delete;
    WatercolorSimulation& operator=(const WatercolorSimulation&) = delete;

    void setSurface(const float* heights);
    void init();
    void initAbsorption();
    void initDeposition();
    void undo();
    void pushHistory();
    void clearHistory();
    void initParticles();
    void parkParticles();
    void respawn(int i);
    void seedParticles();
    void updateColumnScale();
    void updateAreaMask();
    float depositionAt(int k);
    void loadDeposition(const vec4* picture);
    // Advances the particles by dt and returns how many were active (stamped
    // a footprint) in this step. Virtual only so the side-by-side tests and
    // the benchmarks can play whole sessions with the plain reference step
    // in its place.
    virtual int step(float dt);

    // What the grids take for each canvas cell once init and setSurface have
    // run: absorption capacity, rate and water, deposition, area mask,
    // surface gradient, and the wet-cell marks. The undo history comes on
    // top, as painting changes the deposition.
    static constexpr std::size_t gridBytesPerCell =
        3 * sizeof(float) + sizeof(vec4) + sizeof(std::int32_t) + sizeof(vec3) + sizeof(std::uint8_t);

    // The particles. The shell sets particleCount and particleMass before
    // init; every array holds particleCount entries after it.
    std::int32_t particleCount = 2000;
    std::vector<float> particleWater;
    std::vector<vec4> particlePigment;
    float particleMass = 0.0f;
    std::vector<float> sizeMassTable;
    std::int32_t sizeMassTableLength = 12;
    std::vector<vec2> particlePosition;
    std::vector<vec2> particleVelocity;

    Grid<float> absorptionCapacity;
    Grid<float> absorptionRate;
    Grid<float> absorbedWater;
    Grid<vec4> deposition;
    std::vector<float> columnScale;
    std::int32_t width = 0;
    std::int32_t height = 0;
    Grid<std::int32_t> areaMask;
    std::int32_t stampRadius = 0;
    Grid<vec3> surfaceGradient;
    // Snapshots of the deposition, oldest first, each 4 · width · height
    // floats; unchanged tiles are shared between them.
    std::deque<DepositionSnapshot> history;
    std::int32_t historyTop = -1;

    // The snapshot last taken or restored, or a blank one for a fresh
    // deposition: the next one shares its tiles.
    DepositionSnapshot historyReference;
    // The deposition's tiles written since historyReference.
    ChangedTiles historyChanges{DepositionSnapshot::tileSize};
    // Cells holding absorbed water; drying visits only these.
    WetCells wetCells;
    // The part of the deposition changed since the texture last saw it: the
    // drawing (SimulationDrawing.h) refreshes only this and empties it.
    CellRect depositionChanged;
    // The same for a second reader that keeps its own picture of the
    // deposition (the headless player's time-lapse): the texture's refresh
    // leaves it alone, and that reader empties it when it has looked.
    CellRect depositionChangedForFrames;
    // Footprint cells visited while wet, counted since construction.
    std::uint64_t cellContacts = 0;

    // Code that writes the deposition by hand, not through the step, undo
    // or a picture load, calls this afterwards: the display and the next
    // undo snapshot then look at the whole of it again.
    void depositionEdited();

    // The shell-wide values this simulation reads and writes.
    ShellState& shell;

    // When the step stamps its footprints on two threads.
    LaneSettings stampLaneSettings;

private:
    // Where a particle re-emitted now starts and the water it takes; it
    // starts at rest and without pigment. Draws its random numbers.
    struct Emission {
        vec2 position;
        float water;
    };
    Emission emission(std::size_t index) const;

    // The active particles of this step and their footprints, in index order.
    void planStamps();
    // Water and pigment pass between every planned footprint and the grids.
    void stampFootprints(const footprint::ContactRules& rules);
    // Planned footprints begin..end − 1, one after the other on this thread.
    void stampOneByOne(const StampGrids& grids, std::size_t begin, std::size_t end);
    // The same split in two lanes stamped at the same time; false when they
    // do not split well, and nothing was stamped.
    bool stampInLanes(const StampGrids& grids, std::size_t begin, std::size_t end);
    // Starts the second lane's thread, unless it runs, and takes its memory.
    void prepareStampWorker();
    // Wakes the second lane's thread when this step's footprints may well be
    // many and large: it takes a while to get up, as long as planning them.
    void wakeStampWorker();
    // The history tiles and the display's rectangle take in every footprint.
    void markStamped();

    FootprintRows footprintRows;
    std::vector<StampPlan> stampPlans;
    // Cells in the squares around this step's footprints: the work ahead.
    std::size_t plannedSquareCells = 0;
    // The second half of a large step's plans, made on the worker thread.
    std::vector<StampPlan> lanePlans;
    StampLanes stampLanes;
    // The second lane's newly wet cells, merged into wetCells afterwards.
    std::vector<std::uint32_t> laneWetCells;
    // The second lane's thread, started with the simulation.
    std::unique_ptr<WorkerThread> stampWorker;
};
