// The sound server's client libraries (PulseAudio's, and ALSA with its pulse plugin) are not
// built with ThreadSanitizer: their own locking happens out of its sight, so it reports races
// inside them that are none. Kavrin's own code, and PortAudio's, stay checked.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
    return "race:libpulse.so\n"
           "race:libpulsecommon\n"
           "race:libasound.so\n"
           "race:libasound_module_pcm_pulse.so\n";
}
