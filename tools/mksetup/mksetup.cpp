// Packs the install file: mksetup OUT PROGRAM FILE... where a FILE prefixed
// with "?" is optional (packed with size 0 when missing). Runs on the build
// machine as a step of the Windows build.
#include <cstdio>
#include <string>
#include <vector>

#include "install/LInstallLayout.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mksetup OUT PROGRAM [[?]FILE...]\n");
        return 2;
    }
    std::vector<sondrel::LPackFile> files;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        bool optional = !a.empty() && a[0] == '?';
        files.push_back({optional ? a.substr(1) : a, optional});
    }
    std::string error;
    if (!sondrel::WriteInstallFile(argv[1], files, error)) {
        std::fprintf(stderr, "mksetup: %s\n", error.c_str());
        return 1;
    }
    for (const auto& f : files) {
        std::FILE* probe = std::fopen(f.szPath.c_str(), "rb");
        if (!probe) std::printf("mksetup: %s not built, left out of the install file\n", f.szPath.c_str());
        else std::fclose(probe);
    }
    return 0;
}
