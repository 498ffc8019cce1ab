#pragma once

// How long a test waits for what the program surely does (a box shown, a process's answer):
// far beyond any machine's pace, a sanitizer build on a loaded machine included, so that only
// a real hang runs into it. A test never asserts that something took less than a time.
constexpr int patienceMs = 120000;
