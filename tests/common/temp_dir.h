// A fresh temporary folder per test (mkdtemp under $TMPDIR or /tmp), removed with its
// contents when the object goes, so parallel runs, other users and files left behind never
// meet. Qt-free; the window tests use QTemporaryDir instead.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace test {

class TempDir {
public:
    /// A new folder named `<prefix>XXXXXX` with a random suffix; nobody else has it.
    explicit TempDir(const std::string& prefix = "vels5-test-") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX"));
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed for " + pattern);
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    /// A path inside the folder.
    std::string File(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

} // namespace test
