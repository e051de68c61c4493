#include <gtest/gtest.h>

#include <string>

#include "util/Stopwatch.h"

namespace {

// A clock that counts its start readings and reads whatever it is told.
class ManualStopwatch : public StopwatchBase {
public:
    explicit ManualStopwatch(const char* name = "manual") : StopwatchBase(name) {}
    int marks = 0;
    float sinceMark = 0.0f;

protected:
    void markStart() override { ++marks; }
    float secondsSinceMark() override { return sinceMark; }
};

}  // namespace

TEST(Stopwatch, ReadsZeroUntilStarted) {
    StopwatchWin32 clock;
    EXPECT_FALSE(clock.running);
    EXPECT_EQ(clock.startCount, 0);
    EXPECT_EQ(clock.elapsed(), 0.0f);

    ManualStopwatch manual;
    manual.sinceMark = 5.0f;
    EXPECT_EQ(manual.elapsed(), 0.0f);
}

TEST(Stopwatch, SecondStartCountsButKeepsTheFirstReading) {
    StopwatchWin32 clock;
    clock.start();
    const auto firstReading = clock.startReading;
    clock.start();
    EXPECT_EQ(clock.startReading, firstReading);
    EXPECT_EQ(clock.startCount, 2);
    EXPECT_TRUE(clock.running);

    ManualStopwatch manual;
    manual.start();
    manual.start();
    EXPECT_EQ(manual.marks, 1);
    EXPECT_EQ(manual.startCount, 2);
}

TEST(Stopwatch, ElapsedAddsTheAccumulatedTime) {
    ManualStopwatch manual;
    manual.start();
    manual.sinceMark = 1.5f;
    manual.accumulated = 0.25f;
    EXPECT_EQ(manual.elapsed(), 1.75f);
}

TEST(Stopwatch, ReadingsNeverGoBackwards) {
    StopwatchWin32 clock;
    clock.start();
    float previous = clock.elapsed();
    for (int i = 0; i < 1000; ++i) {
        const float now = clock.elapsed();
        ASSERT_GE(now, previous);
        previous = now;
    }
    EXPECT_GE(previous, 0.0f);
}

TEST(Stopwatch, NameKeepsAtMost39Characters) {
    EXPECT_STREQ(StopwatchWin32().name, "Stopwatch");

    const std::string exact39(39, 'a');
    EXPECT_EQ(std::string(ManualStopwatch(exact39.c_str()).name), exact39);

    const std::string long40 = std::string(39, 'b') + "c";
    EXPECT_EQ(std::string(ManualStopwatch(long40.c_str()).name), std::string(39, 'b'));

    const std::string long80(80, 'd');
    EXPECT_EQ(std::string(ManualStopwatch(long80.c_str()).name), std::string(39, 'd'));
}

TEST(Stopwatch, DescriptionsNameTheClock) {
    EXPECT_STREQ(ManualStopwatch().description, "Stopwatch virtual base class");
    EXPECT_NE(std::string(StopwatchWin32().description).find("steady_clock"), std::string::npos);
}

TEST(Stopwatch, FrequencyIsReadOnce) {
    StopwatchWin32 first;
    StopwatchWin32 second;
    StopwatchWin32 third;
    EXPECT_TRUE(StopwatchWin32::frequencyKnown);
    EXPECT_GT(StopwatchWin32::frequency, 0);
    EXPECT_EQ(StopwatchWin32::frequencyReads, 1);
}

TEST(Stopwatch, ReplacementServesAsTheProgramWideStopwatch) {
    ManualStopwatch manual;
    setStopwatch(&manual);
    EXPECT_EQ(&stopwatch(), &manual);
    setStopwatch(nullptr);
    EXPECT_NE(&stopwatch(), &manual);
    EXPECT_STREQ(stopwatch().name, "Stopwatch");
}
