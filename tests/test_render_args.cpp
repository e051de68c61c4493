#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/ProgressLine.h"
#include "tools/RenderArgs.h"

namespace {

struct Parsed {
    bool ok;
    RenderArgs args;
    std::string error;
};

Parsed parse(const std::vector<std::string>& arguments) {
    Parsed result{};
    result.ok = parseRenderArgs(arguments, result.args, result.error);
    return result;
}

}  // namespace

TEST(RenderArgs, ReadsTheSessionAndEveryOptionInAnyOrder) {
    const Parsed all = parse({"--stats", "-o", "out.png", "s.json", "--raw", "out.raw", "--save-dir", "d"});
    ASSERT_TRUE(all.ok) << all.error;
    EXPECT_EQ(all.args.saveDir, "d");
    EXPECT_FALSE(all.args.savesAnywhere);
    EXPECT_TRUE(parse({"s.json", "--saves-anywhere"}).args.savesAnywhere);
    EXPECT_EQ(all.args.session, "s.json");
    EXPECT_EQ(all.args.output, "out.png");
    EXPECT_EQ(all.args.raw, "out.raw");
    EXPECT_TRUE(all.args.stats);
    EXPECT_FALSE(all.args.help);

    const Parsed bare = parse({"s.json"});
    ASSERT_TRUE(bare.ok);
    EXPECT_EQ(bare.args.output, "");
    EXPECT_EQ(bare.args.raw, "");
    EXPECT_FALSE(bare.args.stats);

    const Parsed longName = parse({"s.json", "--output", "a.png"});
    ASSERT_TRUE(longName.ok);
    EXPECT_EQ(longName.args.output, "a.png");

    // After "--" a name that looks like an option is a session file.
    const Parsed dashed = parse({"--", "-odd.json"});
    ASSERT_TRUE(dashed.ok) << dashed.error;
    EXPECT_EQ(dashed.args.session, "-odd.json");
}

TEST(RenderArgs, HelpNeedsNoSession) {
    for (const char* flag : {"--help", "-h"}) {
        const Parsed help = parse({flag});
        EXPECT_TRUE(help.ok);
        EXPECT_TRUE(help.args.help);
    }
    EXPECT_NE(renderUsage().find("seep-render SESSION.json [-o OUT.png] [--raw OUT.raw] [--painting OUT.ora] [--stats]"),
              std::string::npos);
    EXPECT_NE(renderUsage().find("README.md, section \"Session files\""), std::string::npos);
}

TEST(RenderArgs, RefusesWhatItCannotMeanWithALine) {
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{}, "no session file given"},
        {{"--stats"}, "no session file given"},
        {{"a.json", "b.json"}, "more than one session file: a.json and b.json"},
        {{"s.json", "-o"}, "-o needs a file name"},
        {{"s.json", "--raw", ""}, "--raw needs a file name"},
        {{"s.json", "-o", "a.png", "-o", "b.png"}, "-o given twice"},
        {{"s.json", "--fast"}, "unknown option --fast"},
        {{"s.json", "-o", "same", "--raw", "same"}, "-o and --raw name the same file: same"},
        {{"s.json", "--save-dir"}, "--save-dir needs a file name"},
        {{"s.json", "--save-dir", "d", "--saves-anywhere"}, "--save-dir and --saves-anywhere cannot both be given"},
    };
    for (const auto& c : cases) {
        const Parsed result = parse(c.arguments);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, c.error);
    }
}

TEST(RenderArgs, ReadsTheTimeLapseAndRefusesSettingsThatCannotBeMade) {
    const Parsed all = parse({"s.json", "--video", "out.WebM", "--frames", "shots", "--fps", "24", "--every", "5",
                              "--size", "1280x720", "--particles"});
    ASSERT_TRUE(all.ok) << all.error;
    EXPECT_EQ(all.args.timeLapse.video, "out.WebM");
    EXPECT_EQ(all.args.timeLapse.frames, "shots");
    EXPECT_EQ(all.args.timeLapse.fps, 24);
    EXPECT_EQ(all.args.timeLapse.every, 5);
    EXPECT_EQ(all.args.timeLapse.width, 1280);
    EXPECT_EQ(all.args.timeLapse.height, 720);
    EXPECT_TRUE(all.args.timeLapse.particles);
    const Parsed defaults = parse({"s.json", "--video", "out.mp4"});
    ASSERT_TRUE(defaults.ok) << defaults.error;
    EXPECT_EQ(defaults.args.timeLapse.fps, 30);
    EXPECT_EQ(defaults.args.timeLapse.every, 0);
    EXPECT_EQ(defaults.args.timeLapse.width, 0);
    // Pictures may have odd sides; only a video's must be even.
    EXPECT_TRUE(parse({"s.json", "--frames", "f", "--size", "511x3"}).ok);

    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{"s.json", "--video", "out.avi"}, "--video out.avi: the name must end in .mp4 (H.264) or .webm (VP9)"},
        {{"s.json", "--video", "mp4"}, "--video mp4: the name must end in .mp4 (H.264) or .webm (VP9)"},
        {{"s.json", "--video", "a.mp4/b"}, "--video a.mp4/b: the name must end in .mp4 (H.264) or .webm (VP9)"},
        {{"s.json", "--frames", "f", "--size", "0x720"}, "--size needs WIDTHxHEIGHT, each from 1 to 8192, not 0x720"},
        {{"s.json", "--frames", "f", "--size", "1280"}, "--size needs WIDTHxHEIGHT, each from 1 to 8192, not 1280"},
        {{"s.json", "--frames", "f", "--size", "-2x4"}, "--size needs WIDTHxHEIGHT, each from 1 to 8192, not -2x4"},
        {{"s.json", "--frames", "f", "--size", "9000x720"}, "--size needs WIDTHxHEIGHT, each from 1 to 8192, not 9000x720"},
        {{"s.json", "--video", "a.mp4", "--size", "1281x720"}, "--size 1281x720: a video's width and height must be even"},
        {{"s.json", "--video", "a.mp4", "--fps", "0"}, "--fps needs a whole number from 1 to 240, not 0"},
        {{"s.json", "--video", "a.mp4", "--fps", "2.5"}, "--fps needs a whole number from 1 to 240, not 2.5"},
        {{"s.json", "--video", "a.mp4", "--every", "99999999999"},
         "--every needs a whole number of steps from 1 to 1000000000, not 99999999999"},
        {{"s.json", "--video", "a.mp4", "--every"}, "--every needs a value"},
        {{"s.json", "--frames", ""}, "--frames needs a folder"},
        {{"s.json", "--video", "a.mp4", "--video", "b.mp4"}, "--video given twice"},
        {{"s.json", "--every", "10"}, "--every needs --video or --frames"},
        {{"s.json", "--particles", "--fps", "10"}, "--particles needs --video or --frames"},
        {{"s.json", "--video", "a.mp4", "-o", "a.mp4"}, "--video names the same file as -o: a.mp4"},
    };
    for (const auto& c : cases) {
        const Parsed result = parse(c.arguments);
        EXPECT_FALSE(result.ok) << c.error;
        EXPECT_EQ(result.error, c.error);
    }
}

TEST(ProgressLine, ShowsEventsStepsTimeAndInstantResultPercent) {
    ProgressLine::State state;
    state.eventsPlayed = 3;
    state.eventsTotal = 12;
    state.steps = 4500;
    EXPECT_EQ(ProgressLine::text(state, 1.04), "seep-render: event 3/12, 4500 steps, 1.0 s");
    state.instantPercent = 40;
    EXPECT_EQ(ProgressLine::text(state, 2.0), "seep-render: event 3/12, 4500 steps, 2.0 s, Instant Result 40%");
    state.frames = 451;
    EXPECT_EQ(ProgressLine::text(state, 2.0),
              "seep-render: event 3/12, 4500 steps, 2.0 s, 451 frames, Instant Result 40%");
}
