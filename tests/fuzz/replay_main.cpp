// Runs a harness over every file of the corpus folders (or files) named on
// the command line, as libFuzzer does with -runs=0, for builds without
// libFuzzer: the corpus is replayed by ctest with any compiler.
#include "fuzzcheck.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char **argv)
{
    namespace fs = std::filesystem;
    std::size_t inputs = 0;
    auto run = [&](const fs::path &file) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
        ++inputs;
    };
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        if (fs::is_directory(path)) {
            for (const auto &entry : fs::directory_iterator(path))
                if (entry.is_regular_file())
                    run(entry.path());
        } else {
            run(path);
        }
    }
    std::printf("replayed %zu inputs\n", inputs);
    return inputs > 0 ? 0 : 1;  // an empty corpus is a mistake, not a pass
}
