// A fresh temporary folder per test (under $TMPDIR or /tmp, %TEMP% on Windows), removed
// with its contents when the object goes, so parallel runs, other users and files left
// behind never meet. Qt-free; the window tests use QTemporaryDir instead.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace test {

class TempDir {
public:
    /// A new folder named `<prefix>XXXXXX` with a random suffix; nobody else has it.
    explicit TempDir(const std::string& prefix = "vels5-test-") {
        // create_directory fails on a name that exists, so the folder made is ours alone.
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = prefix;
            for (int i = 0; i < 10; ++i)
                name += kLetters[random() % (sizeof kLetters - 1)];
            std::error_code ec;
            if (std::filesystem::create_directory(base / name, ec)) {
                std::filesystem::permissions(base / name, std::filesystem::perms::owner_all, ec);
                m_path = base / name;
                return;
            }
        }
        throw std::runtime_error("cannot make a temporary folder in " + base.string());
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
