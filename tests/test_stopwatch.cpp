#include <gtest/gtest.h>

#include "util/Stopwatch.h"

namespace {

// A clock that counts its start readings and reads whatever it is told.
class ManualStopwatch : public Stopwatch {
public:
    int marks = 0;
    float sinceMark = 5.0f;

protected:
    void markStart() override { ++marks; }
    float secondsSinceMark() override { return sinceMark; }
};

}  // namespace

TEST(Stopwatch, ReadsZeroUntilStartedAndOnlyTheFirstStartMarks) {
    ManualStopwatch manual;
    EXPECT_EQ(manual.elapsed(), 0.0f);
    EXPECT_FALSE(manual.running());
    manual.start();
    manual.start();
    EXPECT_EQ(manual.marks, 1);
    EXPECT_EQ(manual.elapsed(), 5.0f);

    SteadyStopwatch clock;
    EXPECT_EQ(clock.elapsed(), 0.0f);
    clock.start();
    float previous = clock.elapsed();
    for (int i = 0; i < 1000; ++i) {
        const float now = clock.elapsed();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

TEST(Stopwatch, ReplacementServesAsTheProgramWideStopwatch) {
    ManualStopwatch manual;
    setStopwatch(&manual);
    EXPECT_EQ(&stopwatch(), &manual);
    setStopwatch(nullptr);
    EXPECT_NE(&stopwatch(), &manual);
}
