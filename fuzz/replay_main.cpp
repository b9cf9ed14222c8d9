// Replays every file of the given folders through a fuzz target, so that the
// inputs the fuzzer found stay regression tests in ordinary builds.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* daten, std::size_t groesse);

int main(int argc, char* argv[]) {
    int anzahl = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& e : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(e.path(), std::ios::binary);
            const std::string d{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(d.data()), d.size());
            ++anzahl;
        }
    }
    std::printf("%d Eingaben wiederholt\n", anzahl);
    return anzahl > 0 ? 0 : 1;
}
