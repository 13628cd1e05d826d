// Helpers for the file tests: a scratch folder removed afterwards, whole-file reads and
// writes with the C library (independent of the code under test), and an environment
// variable set for one scope.
#pragma once
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }
    // The path with a trailing '/', as file references want their directories.
    std::string directory() const { return m_path + "/"; }
    std::vector<std::string> entries() const;

private:
    std::string m_path;
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    std::string m_old;
};

void write_whole_file(const std::string& path, const std::string& bytes);
std::string read_whole_file(const std::string& path);
bool file_is_there(const std::string& path);
