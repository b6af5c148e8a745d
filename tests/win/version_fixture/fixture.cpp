// An otherwise empty library: only its version resource matters.
extern "C" __declspec(dllexport) int VersionFixture() {
    return 1;
}
