#pragma once

// Checks of what the code relies on but never tests on its way: invariants
// of the fast paths and preconditions whose breach is a programming error,
// not bad input (bad input gets a message or a safe result instead).
//
// SEEP_ASSERT(condition, why) is live in the builds configured with
// SEEP_ASSERTIONS (the sanitizer, thread-sanitizer and fuzzing builds set it,
// see the top-level CMakeLists.txt); there a false condition prints what
// broke, where, and why it matters, and aborts. Elsewhere the condition is
// compiled but never evaluated, so it costs nothing.
//
// SEEP_UNREACHABLE(why) marks a place only a broken program reaches, such
// as the end of a switch over every value of an enumeration. It aborts in
// every build: reaching it is never silent.

#ifndef SEEP_ASSERTIONS
#define SEEP_ASSERTIONS 0
#endif

[[noreturn]] void seepAssertionFailed(const char* condition, const char* why, const char* file, int line);

#if SEEP_ASSERTIONS
#define SEEP_ASSERT(condition, why) \
    ((condition) ? static_cast<void>(0) : seepAssertionFailed(#condition, why, __FILE__, __LINE__))
#else
#define SEEP_ASSERT(condition, why) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif

#define SEEP_UNREACHABLE(why) seepAssertionFailed("unreachable", why, __FILE__, __LINE__)

// Whether SEEP_ASSERT checks anything in this build.
inline constexpr bool kAssertionsLive = SEEP_ASSERTIONS != 0;
