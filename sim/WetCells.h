#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/GridStorage.h"
#include "util/WorkerThread.h"

// The cells that hold absorbed water, so the paper dries in time
// proportional to its wet cells rather than to the whole canvas.
//
// Each cell is listed once at most: listed[k] marks it from the moment it
// joins the list until it dries and leaves it. Drying relies on that: a
// cell listed twice would dry twice in a step, and dried from both halves
// of the list at once, from two threads. dry checks it where assertions are
// live.
//
// Only the step wets a cell, and it reports every cell it wets. The grid
// itself is replaced whole when it is refilled (initAbsorption), which is
// noticed from its new storage: the list is then rebuilt from one sweep.
// Code that writes held water into the grid by hand between steps calls
// forget(), so the next step sweeps once again.
class WetCells {
public:
    // Makes sure the list covers the grid as it is now: sweeps it when the
    // grid is not the one the list was built for.
    void attach(const Grid<float>& held);

    // A contact left held water in cell k; lists it if it is wet and new.
    void touched(const float* held, std::size_t k) {
        if (held[k] > 0.0f && listed[k] == 0) add(k, cells);
    }

    // The same for a second thread that wets other cells than the first at
    // the same time: a new wet cell goes to its own batch, which merge then
    // adds to the list.
    void touched(const float* held, std::size_t k, std::vector<std::uint32_t>& batch) {
        if (held[k] > 0.0f && listed[k] == 0) add(k, batch);
    }
    void merge(const std::vector<std::uint32_t>& batch) { cells.insert(cells.end(), batch.begin(), batch.end()); }

    // Removes amount from every wet cell, never below 0; cells that are no
    // longer wet leave the list. Each cell dries on its own, so the order
    // of the list does not matter.
    void dry(Grid<float>& held, float amount);
    // The same, the two halves of the list dried on the calling thread and
    // on worker at once; the list ends as dry leaves it.
    void dry(Grid<float>& held, float amount, WorkerThread& worker);

    // The next attach sweeps the grid again.
    void forget() { source = nullptr; }

    std::size_t count() const { return cells.size(); }

private:
    // How many wet cells the list has room for from the start.
    static constexpr std::size_t kRoomAhead = std::size_t{1} << 16;

    // Inline: most contacts of small particles wet a dry cell.
    void add(std::size_t k, std::vector<std::uint32_t>& into) {
        listed[k] = 1;
        into.push_back(static_cast<std::uint32_t>(k));
    }

    // Dries cells begin..end − 1 of the list, moving those still wet to the
    // front of that part, in order; returns how many they are.
    std::size_t dryPart(float* held, float amount, std::size_t begin, std::size_t end);

    // Whether every cell of the list is marked listed and appears once; a
    // check for the assertions, as long as the list.
    bool eachListedOnce();

    std::vector<std::uint32_t> cells;
    Grid<std::uint8_t> listed;
    const float* source = nullptr;
    std::size_t sourceSize = 0;
};
