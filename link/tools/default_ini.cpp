// Writes the default tev_module.ini (COM1, 9600 ticked, 100 ms, even parity) to the path given.
#include <cstdio>

#include "tev/link/settings_file.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    if (!tev::link::WriteNewSettingsFile(argv[1], tev::link::DefaultSearchSettings())) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
