// Replays inputs through a fuzz target without libFuzzer: every file named
// on the command line, and every file in every folder named there, is fed
// once to LLVMFuzzerTestOneInput. A broken property aborts, so the test that
// runs this fails with the file's name as the last line printed.
//
// Usage: vantrel-fuzz-replay-TARGET FILE-OR-FOLDER...

#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path named(argv[i]);
        if (fs::is_directory(named)) {
            for (const auto& entry : fs::recursive_directory_iterator(named)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
        } else if (fs::is_regular_file(named)) {
            files.push_back(named);
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 1;
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return files.empty() ? 1 : 0;
}
