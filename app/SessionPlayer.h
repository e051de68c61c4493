#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "app/HeadlessWindowSystem.h"
#include "app/SessionFile.h"
#include "app/Shell.h"

// A painter without a window: the shell, its pictures and the headless
// window system that answers it, wired together.
struct HeadlessPainter {
    HeadlessPainter();
    HeadlessPainter(const HeadlessPainter&) = delete;
    HeadlessPainter& operator=(const HeadlessPainter&) = delete;

    HeadlessImages images;
    HeadlessWindowSystem windowSystem;
    Shell shell;
};

// Plays a session on a painter as the window system would have delivered
// it: the painter's start-up on the session's canvas, then every event.
// Every init takes the session's seed, or the seed of the event causing it.
class SessionPlayer {
public:
    SessionPlayer(HeadlessPainter& painter, const Session& session);
    SessionPlayer(const SessionPlayer&) = delete;
    SessionPlayer& operator=(const SessionPlayer&) = delete;
    // The shell's inits go back to their own seed rule.
    ~SessionPlayer();

    // The painter's start-up and the first frame the window system draws
    // after it. Call it once, first. False when the session starts from a
    // painting file that cannot be opened (the painter says why).
    bool start();
    // Plays the event and adds it to the shell's recording, as the desktop
    // records what it does: a painting saved now keeps the session that
    // made it. Events are played in the session's order: the n-th call
    // plays events[n - 1] (a refused save names it).
    void play(const SessionEvent& event);
    // start() and, if it succeeded, every event in order; afterEvent gets
    // the number of events played so far after each one.
    bool playAll(const std::function<void(std::size_t)>& afterEvent = {});


private:
    void record(const SessionEvent& event);

    Shell& shell;
    HeadlessWindowSystem& windowSystem;
    const Session& session;
    std::uint32_t seed;
    std::size_t played = 0;
};

// Sets a panel control as the user would: the (already clamped) value goes
// into its live variable, then the control's callback runs, if it has one.
void setControl(Shell& shell, const SessionControl& control, double value);
