#include "updater/update/tests/TempFolder.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ovix::updater::testing {

CTempFolder::CTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ovix-update-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
        m_path = pattern;
    }
}

CTempFolder::~CTempFolder() {
    std::error_code ignored;
    if (!m_path.empty()) {
        std::filesystem::remove_all(m_path, ignored);
    }
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace ovix::updater::testing
