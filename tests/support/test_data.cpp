#include "support/test_data.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace testdata {

fs::path SharedPgnDir() {
    fs::path dir = QUARZEL_SHARED_PGN_DIR;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return {};
    return fs::weakly_canonical(dir, ec);
}

std::vector<fs::path> SharedPgnFiles() {
    std::vector<fs::path> files;
    fs::path dir = SharedPgnDir();
    if (dir.empty()) return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (ext == ".pgn") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

fs::path FixtureDir() { return QUARZEL_TEST_DATA_DIR; }
fs::path ExamplesDir() { return QUARZEL_EXAMPLES_DIR; }

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir() {
    std::random_device rd;
    for (;;) {
        path_ = fs::temp_directory_path() / ("quarzel-test-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(path_, ec)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

}  // namespace testdata
