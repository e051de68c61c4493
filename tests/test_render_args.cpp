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
    const Parsed all = parse({"--stats", "-o", "out.png", "s.json", "--raw", "out.raw"});
    ASSERT_TRUE(all.ok) << all.error;
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
    };
    for (const auto& c : cases) {
        const Parsed result = parse(c.arguments);
        EXPECT_FALSE(result.ok);
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
}
