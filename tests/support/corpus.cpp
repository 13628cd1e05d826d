#include "support/corpus.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gif/gif_reader.h"

namespace test_corpus {

std::filesystem::path file(const char* name)
{
    const char* shared = std::getenv("QUILLON_SHARED");
    if (!shared || !*shared)
        return {};
    return std::filesystem::path(shared) / "corpus" / name;
}

std::vector<std::filesystem::path> files(std::uint64_t max_bytes)
{
    std::vector<std::filesystem::path> found;
    const std::filesystem::path folder = file("");
    if (folder.empty())
        return found;
    const char* full = std::getenv("QUILLON_FULL_CORPUS");
    const bool every_file = full && std::strcmp(full, "1") == 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".gif" && (every_file || entry.file_size(error) <= max_bytes))
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

DocumentPtr load(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return nullptr;
    DocumentPtr document(load_gif_document(path.c_str(), fd, Tolerance::Tolerant));
    ::close(fd);
    return document;
}

}  // namespace test_corpus
