// What each part of the extra mode gains: the corpus rebuilt with the defaults, then with
// one part changed at a time, in total bytes (files the mode keeps as they are count at their
// input size). Usage: extra_levers FILES...
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "extra/extra_mode.h"

namespace {

struct Lever {
    const char* name;
    PlanLevers levers;
};

std::vector<Lever> levers()
{
    std::vector<Lever> out;
    out.push_back({"defaults", PlanLevers()});
    PlanLevers l;
    l.crop = false;
    out.push_back({"no crops", l});
    l = PlanLevers();
    l.transparent_pixels = false;
    out.push_back({"no transparent unchanged pixels", l});
    l = PlanLevers();
    l.chosen_pixels = true;
    out.push_back({"with the per-pixel choice while encoding", l});
    l = PlanLevers();
    l.local_tables = false;
    out.push_back({"no local tables (global only where possible)", l});
    l = PlanLevers();
    l.global_table = false;
    out.push_back({"no global table (local only)", l});
    l = PlanLevers();
    l.input_frames = false;
    out.push_back({"no input images kept as stored", l});
    l = PlanLevers();
    l.final_effort = LzwEffort::Quick;
    out.push_back({"plain LZW (no look-ahead, clear on full only)", l});
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::vector<std::uint8_t>> files;
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const Lever& lever : levers()) {
        std::size_t input = 0, total = 0;
        auto start = std::chrono::steady_clock::now();
        for (const auto& file : files) {
            std::vector<std::uint8_t> output;
            ExtraOutcome outcome = extra_compress(file.data(), file.size(), lever.levers, output);
            if (outcome == ExtraOutcome::Damaged)
                continue;
            input += file.size();
            total += outcome == ExtraOutcome::Smaller ? output.size() : file.size();
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-48s %10zu bytes (%.4f of the input)  %.1f s\n", lever.name, total,
                    static_cast<double>(total) / static_cast<double>(input ? input : 1), seconds);
    }
    return 0;
}
