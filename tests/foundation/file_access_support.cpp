#include "file_access_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>

TempFolder::TempFolder()
{
    char pattern[] = "/tmp/quillon-test-XXXXXX";
    m_path = mkdtemp(pattern) ? pattern : "";
}

TempFolder::~TempFolder()
{
    std::string command = "chmod -R u+w '" + m_path + "' 2>/dev/null; rm -rf '" + m_path + "'";
    if (!m_path.empty() && std::system(command.c_str()) != 0)
        ADD_FAILURE() << "could not remove " << m_path;
}

std::vector<std::string> TempFolder::entries() const
{
    std::vector<std::string> names;
    DIR* folder = opendir(m_path.c_str());
    if (!folder)
        return names;
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name)
{
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (old)
        m_old = old;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        setenv(m_name, m_old.c_str(), 1);
    else
        unsetenv(m_name);
}

void write_whole_file(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

std::string read_whole_file(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

bool file_is_there(const std::string& path)
{
    struct stat info { };
    return stat(path.c_str(), &info) == 0;
}
