#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--version") == 0)) {
        std::printf("vantrel-build %s\n", VANTREL_VERSION);
        return 0;
    }
    std::fprintf(stderr, "vantrel-build: not implemented yet\n");
    return 2;
}
