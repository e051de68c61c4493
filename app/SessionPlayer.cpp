#include "app/SessionPlayer.h"

#include "app/MouseInput.h"
#include "app/SessionRecorder.h"

HeadlessPainter::HeadlessPainter() : shell(windowSystem, images.view()) {
    windowSystem.shell = &shell;
}

void setControl(Shell& shell, const SessionControl& control, double value) {
    PanelSettings& panel = shell.state.panel;
    if (control.integer != nullptr) {
        panel.*control.integer = static_cast<int>(value);
    } else {
        panel.*control.real = static_cast<float>(value);
    }
    if (control.command) {
        controlCallback(shell, *control.command);
    }
}

SessionPlayer::SessionPlayer(HeadlessPainter& painter, const Session& session)
    : shell(painter.shell), windowSystem(painter.windowSystem), session(session), seed(session.seed) {
    // Read at the moment of each init, so the event being played decides
    // it; the recording notes it as the desktop's does.
    shell.state.initSeed = [this] {
        shell.recorder->noteInitSeed(seed);
        return seed;
    };
}

SessionPlayer::~SessionPlayer() {
    shell.state.initSeed = nullptr;
}

bool SessionPlayer::start() {
    seed = session.seed;
    played = 0;
    shell.canvasName = session.canvas;
    shell.startPainting = session.painting;
    const bool started = initialize(shell);
    // The main loop always draws the window once before any input can
    // arrive; that frame sets the display scale the mouse routines and the
    // emission read. Without it a session's first stroke would land at 0 × x.
    // (After a painting was opened it leaves them as the painting had them.)
    windowSystem.displayNow();
    if (session.painting.empty()) {
        shell.recorder->startFromCanvas(session.canvas);
    } else {
        shell.recorder->startFromPainting(session.painting);
    }
    shell.recorder->setStartSeed(session.seed);
    return started;
}

void SessionPlayer::play(const SessionEvent& event) {
    seed = event.seed.value_or(session.seed);
    shell.saves.event = played++;
    // An event, not a frame of its own: whatever the last opened painting
    // held back is free again.
    shell.frameStateHeld = false;
    switch (event.kind) {
        case EventKind::Set:
            setControl(shell, *event.control, event.value);
            break;
        case EventKind::Button: {
            windowSystem.fileAnswer = event.file;
            controlCallback(shell, panelButtonCommand(event.button));
            break;
        }
        case EventKind::Mouse:
            // One answer serves both: a press opens the chooser or picks with
            // the eyedropper, never both.
            windowSystem.colorAnswer = event.rgb;
            windowSystem.pixelAnswer.reset();
            if (event.rgb) {
                const Rgb& rgb = *event.rgb;
                windowSystem.pixelAnswer = vec3{rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f};
            }
            mouse(shell, event.mouseButton, event.mouseState, event.x, event.y);
            break;
        case EventKind::Motion:
            motion(shell, event.x, event.y);
            break;
        case EventKind::Idle:
            for (long long i = 0; i < event.count; ++i) {
                idle(shell);
            }
            break;
        case EventKind::Color:
            setPaintColorBytes(shell.state.panel, event.rgb->data());
            break;
        case EventKind::Reshape:
            reshape(shell, event.width, event.height);
            // A resize is always followed by a redraw.
            windowSystem.displayNow();
            break;
        case EventKind::Frame:
            windowSystem.displayNow();
            break;
    }
    record(event);
}

void SessionPlayer::record(const SessionEvent& event) {
    SessionRecorder& recorder = *shell.recorder;
    switch (event.kind) {
        case EventKind::Set:
            recorder.set(event.control->name, event.value);
            break;
        case EventKind::Button:
            if (buttonAsksForFile(event.button)) {
                recorder.noteFileAnswer(event.file);
            }
            recorder.button(panelButtonLabel(event.button));
            break;
        case EventKind::Mouse:
            if (event.rgb) {
                recorder.noteColorAnswer(*event.rgb);
            }
            recorder.mouse(event.mouseButton, event.mouseState, event.x, event.y);
            break;
        case EventKind::Motion:
            recorder.motion(event.x, event.y);
            break;
        case EventKind::Idle:
            recorder.idle(event.count);
            break;
        case EventKind::Color:
            recorder.color(*event.rgb);
            break;
        case EventKind::Reshape:
            recorder.reshape(event.width, event.height);
            break;
        case EventKind::Frame:
            recorder.frame();
            break;
    }
}

bool SessionPlayer::playAll(const std::function<void(std::size_t)>& afterEvent) {
    if (!start()) {
        return false;
    }
    for (std::size_t i = 0; i < session.events.size(); ++i) {
        play(session.events[i]);
        if (afterEvent) {
            afterEvent(i + 1);
        }
    }
    return true;
}
