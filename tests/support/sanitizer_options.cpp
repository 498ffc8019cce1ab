// Sanitizer settings built into every test program, so that it runs the same under
// ctest and by hand: leaks are errors, the first finding stops the run.

extern "C" const char* __asan_default_options()
{
    return "detect_leaks=1:abort_on_error=1:strict_string_checks=1";
}

extern "C" const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

// Fontconfig keeps its font cache for the life of the process: a test that lays out text
// and ends at once leaves it behind.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
