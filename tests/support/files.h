#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <vector>

namespace vistrel::testing {

// The names in a folder.
inline std::set<std::string> Entries(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// A fresh folder under the system's temporary folder, removed with its contents afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vistrel-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern + "/";
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    // The folder's path with its trailing "/".
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + name; }

    std::set<std::string> entries() const { return Entries(path_); }

private:
    std::string path_;
};

inline std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::vector<uint8_t> ReadByteVector(const std::string &path)
{
    const std::string bytes = ReadBytes(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

inline void WriteByteVector(const std::string &path, const std::vector<uint8_t> &bytes)
{
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

inline bool FileExists(const std::string &path)
{
    return std::filesystem::exists(path);
}

} // namespace vistrel::testing
