// The pinned session meant to run the step on two lanes (tests/pins/) does
// stamp in two lanes, and to the bits the same session gives on one: its
// pinned hash then stands for both, on any number of processors.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/SessionFile.h"
#include "app/SessionPlayer.h"

namespace {

struct Played {
    std::vector<vec4> deposition;
    std::uint64_t roundsInLanes = 0;
};

// Plays the session with the lanes on or off, whatever the processor count.
Played play(const Session& session, bool lanes) {
    HeadlessPainter painter;
    SessionPlayer player(painter, session);
    player.start();
    LaneSettings& settings = painter.shell.simulation->stampLaneSettings;
    settings.enabled = lanes;
    for (const SessionEvent& event : session.events) {
        player.play(event);
    }
    const Grid<vec4>& deposition = painter.shell.simulation->deposition;
    return {std::vector<vec4>(deposition.begin(), deposition.end()), settings.roundsInLanes};
}

}  // namespace

TEST(PinnedSessions, TheTwoLaneSessionStampsInTwoLanesToTheOneLaneBits) {
    Session session;
    std::string error;
    ASSERT_TRUE(loadSession(SEEP_SOURCE_DIR "/tests/pins/two-lanes.json", session, error)) << error;
    const Played two = play(session, true);
    const Played one = play(session, false);
    EXPECT_GT(two.roundsInLanes, 0u);
    EXPECT_EQ(one.roundsInLanes, 0u);
    ASSERT_EQ(two.deposition.size(), one.deposition.size());
    EXPECT_EQ(std::memcmp(two.deposition.data(), one.deposition.data(), two.deposition.size() * sizeof(vec4)), 0);
}
