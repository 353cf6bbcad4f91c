// A folder of the test's own in the system's temporary folder, removed with
// everything in it at the end (Linux tests).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace torvex::testing {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "torvex-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Empty when no folder could be made.
    const std::filesystem::path& path() const { return path_; }

    // Writes `text` into the file at `relative`, making the folders on the
    // way; false when it could not.
    bool Write(const std::filesystem::path& relative, const std::string& text) const
    {
        const std::filesystem::path file = path_ / relative;
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        return !error && !out.fail();
    }

private:
    std::filesystem::path path_;
};

} // namespace torvex::testing
