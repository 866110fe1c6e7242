// Runs a fuzz target over saved inputs, each file named or each file in a folder named, so that a normal
// build replays the corpus without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

bool Replay(const fs::path& input)
{
    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", input.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> inputs;
        if (fs::is_directory(argv[i])) {
            for (const fs::directory_entry& entry : fs::directory_iterator(argv[i]))
                inputs.push_back(entry.path());
        } else {
            inputs.push_back(argv[i]);
        }
        for (const fs::path& input : inputs) {
            if (!Replay(input))
                return 1;
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    // An empty corpus would pass without testing anything.
    return replayed > 0 ? 0 : 1;
}
