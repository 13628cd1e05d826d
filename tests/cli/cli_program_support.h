// quillon-cli as users run it, through the real binary: a scratch folder with a sample
// animation from the project's generator, the preference file kept out of the way, and
// Pillow as the independent reader of what was written.
#pragma once
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace cli_test {

std::string build_folder()
{
    const char* build = std::getenv("QUILLON_BUILD");
    const std::string folder = build && *build ? build : "build";
    // The program runs from the scratch folder, so a relative folder is made absolute here.
    char here[4096];
    return folder[0] == '/' || !::getcwd(here, sizeof here) ? folder : std::string(here) + "/" + folder;
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::size_t file_size(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

bool exists(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0;
}

class CliProgram : public ::testing::Test {
public:
    void SetUp() override
    {
        char pattern[] = "/tmp/quillon-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
        program = build_folder() + "/src/cli/quillon-cli";
        const std::string generator = build_folder() + "/tools/make_sample";
        if (!exists(program) || !exists(generator))
            GTEST_SKIP() << "quillon-cli or make_sample is not built";
        sample = folder + "/sample.gif";
        ASSERT_EQ(std::system(("'" + generator + "' '" + sample + "' 4").c_str()), 0);
    }
    void TearDown() override { (void)std::system(("rm -rf '" + folder + "'").c_str()); }

    Outcome run(const std::string& arguments)
    {
        const std::string out = folder + "/stdout", err = folder + "/stderr";
        const std::string command = "cd '" + folder + "' && XDG_CONFIG_HOME='" + folder + "/config' '" + program +
            "' " + arguments + " >'" + out + "' 2>'" + err + "'";
        Outcome result;
        const int status = std::system(command.c_str());
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = slurp(out);
        result.err = slurp(err);
        return result;
    }
    std::string copy(const std::string& name)
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << slurp(sample);
        return path;
    }

    // Runs a Python script with Pillow in the scratch folder; its standard output.
    std::string python(const std::string& script)
    {
        const std::string path = folder + "/check.py", out = folder + "/python.out";
        std::ofstream(path) << "from PIL import Image, ImageFile, ImageSequence\n" << script;
        const std::string command = "cd '" + folder + "' && /usr/bin/python3 check.py >'" + out + "' 2>&1";
        (void)std::system(command.c_str());
        return slurp(out);
    }
    std::string corpus(const std::string& name) const
    {
        const char* shared = std::getenv("QUILLON_SHARED");
        return std::string(shared && *shared ? shared : "/work/shared") + "/corpus/" + name;
    }
    std::string write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
        return folder + "/" + name;
    }

    std::string folder, program, sample;
};

}  // namespace cli_test
