// A fresh private folder for one test's files, so that parallel runs, other users and files
// left behind never meet: made by mkdtemp under $TMPDIR (or /tmp), removed with everything
// in it when the object goes. Qt-free.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace test {

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = (base && base[0] == '/' ? std::string(base) : std::string("/tmp")) +
                              "/vels5-test-XXXXXX";
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

    /// The folder, without a trailing slash.
    const std::string& Path() const { return m_path; }
    /// A path inside the folder.
    std::string File(std::string_view name) const { return m_path + "/" + std::string(name); }

private:
    std::string m_path;
};

} // namespace test
