// Checks one built tool: programCheck <exe> <program name> <title> <a.b.c.d> <32|64>.
// Prints every fault found and exits with 1 when there is any.
#include <cstdio>
#include <exception>
#include <string>

#include "programChecks.h"

int main(int argc, char** argv) {
    using namespace volmora::checks;
    if (argc != 6) {
        std::fprintf(stderr,
                     "usage: programCheck <exe> <program name> <title> <version> <32|64>\n");
        return 2;
    }
    const std::string path = argv[1];
    const ExpectedProgram expected{argv[2], argv[3], argv[4]};
    const bool wants64Bit = std::string(argv[5]) == "64";
    try {
        const PeImage image = PeImage::load(path);
        Faults faults = checkProgram(image, expected);
        if (image.is64Bit() != wants64Bit) {
            faults.push_back(std::string("is not a ") + argv[5] + "-bit program");
        }
        for (const std::string& fault : faults) {
            std::printf("%s: %s\n", path.c_str(), fault.c_str());
        }
        if (faults.empty()) {
            std::printf("%s: imports, version, icons and manifest as expected\n", path.c_str());
        }
        return faults.empty() ? 0 : 1;
    } catch (const std::exception& error) {
        std::printf("%s: %s\n", path.c_str(), error.what());
        return 1;
    }
}
