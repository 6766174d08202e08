// Memory that the system's libraries keep for the life of the process (what fontconfig read about
// the fonts, the session bus's buffers) and that LeakSanitizer reports when the program ends. It
// is not ours to free; a leak of our own still fails the run.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}
