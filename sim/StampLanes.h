#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/StampPlan.h"

// One step's footprints split between two lanes that two threads stamp at
// the same time, with the result of stamping them one by one in index order.
//
// The canvas is cut at one column (or row). Footprints wholly before the cut
// go to the first lane, those wholly after it to the second, and those
// across it to the first. Each lane keeps index order. Two footprints of
// different lanes can share a cell only when one of them lies across the
// cut; for every such pair the later one waits until the other lane has
// stamped the earlier one. Which cells a footprint touches is taken as its
// whole square, a little more than its disc, so no shared cell is missed.
struct LaneStep {
    // Index of the plan to stamp.
    std::uint32_t plan = 0;
    // The other lane's plan that must be stamped first, or −1.
    std::int32_t after = -1;
    // The particle's water and pigment once its footprint is stamped. The
    // lane keeps them here until both lanes are done: particles of both
    // lanes lie side by side in the particle arrays, and writing those from
    // two threads would pass their cache lines to and fro.
    float water = 0.0f;
    float pigment = 0.0f;
};

struct StampLanes {
    std::vector<LaneStep> lane[2];
    // The share of the footprints the first lane takes: the cut is put at
    // this quantile of their columns (or rows). The caller adjusts it to
    // what each thread gets done, since the two processors of a virtual
    // machine need not be equally fast.
    double firstShare = 0.5;
    // The largest footprint radius among the plans.
    int largestRadius = 0;
    // Scratch for choosing the cut.
    std::vector<int> coordinates;
    std::vector<std::uint32_t> across;
    std::vector<std::uint32_t> nearCut;

    // Takes and touches room for up to plans footprints, so splitting the
    // first stroke's does not wait for fresh memory.
    void reserve(std::size_t plans);
};

// When a step's footprints are planned on two threads and stamped in two
// lanes, and when the paper dries on both.
struct LaneSettings {
    // Off: always one by one, on the calling thread.
    bool enabled = true;
    // Less work than this, counted as the cells in the squares around all
    // footprints, is stamped one by one: handing it over would cost more.
    std::size_t minSquareCells = std::size_t{1} << 15;
    // How many consecutive footprints are split into lanes at a time.
    std::size_t roundPlans = 512;
    // At most one footprint in acrossShare may lie across the cut.
    std::size_t acrossShare = 8;
    // Planning is split between the threads from this many particles on,
    // when the area grid takes at least planAreaBytes: a smaller one stays
    // in the caches, and planning is quick.
    int planParticles = 1024;
    std::size_t planAreaBytes = std::size_t{4} << 20;
    // Drying is split between the threads from this many wet cells on.
    std::size_t dryCells = std::size_t{1} << 14;
    // How many rounds of footprints were stamped in two lanes.
    std::uint64_t roundsInLanes = 0;
};

// Splits count plans into the lanes, about lanes.firstShare of them into
// the first. Returns false, with the lanes left
// empty, when stamping them in two lanes would not pay: fewer than two
// plans, one lane empty, or more than count / acrossShare of them across
// the cut, where the lanes would mostly wait for each other.
bool splitStampLanes(const StampPlan* plans, std::size_t count, std::size_t acrossShare, StampLanes& lanes);
