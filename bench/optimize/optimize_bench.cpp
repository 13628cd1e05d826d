// Benchmark of the pre-save pass: loads each GIF, then times optimize_document (or, with
// --save, the whole in-memory save) on a fresh copy of the document, and reports megapixels
// per second. "Screen pixels" are frames x logical screen: the canvases the pass composes
// and compares; "frame pixels" are the areas of the rectangles before the pass.
#include "document/document.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "app/settings.h"
#include "optimize/frame_optimizer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

double cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

DocumentPtr load(const char* path)
{
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return nullptr;
    DocumentPtr document(load_gif_document(path, fd, Tolerance::Tolerant));
    close(fd);
    return document;
}

// FNV-1a over every frame's rectangle, flags and encoded bytes after the pass: a change to
// the hot path must leave it alone.
std::uint64_t fingerprint(Document& document)
{
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&](const void* data, std::size_t length) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < length; ++i)
            hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    for (Frame* f = document_first_frame(document); f; f = document_next_frame(document)) {
        const std::int16_t rect[4] = {f->rect.top, f->rect.left, f->rect.bottom, f->rect.right};
        const std::uint8_t flags[3] = {static_cast<std::uint8_t>(f->disposal), f->transparent, f->transparent_index};
        mix(rect, sizeof(rect));
        mix(flags, sizeof(flags));
        mix(f->encoded_data.get(), f->encoded_length);
    }
    return hash;
}

struct Totals {
    double seconds = 0;
    double screen_pixels = 0;
    double frame_pixels = 0;
    double bytes_before = 0;
    double bytes_after = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    int repeat = 3;
    bool save = false;
    bool fingerprints = false;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--settings") && i + 1 < argc) {
            // end-code saving, offset frames, crop first frame, transparency search, rule
            int e = 1, o = 1, c = 1, t = 1, rule = 0;
            std::sscanf(argv[++i], "%d,%d,%d,%d,%d", &e, &o, &c, &t, &rule);
            settings().end_code_saving = static_cast<std::uint8_t>(e);
            settings().offset_frames = static_cast<std::uint8_t>(o);
            settings().crop_first_frame = static_cast<std::uint8_t>(c);
            settings().transparency_search = static_cast<std::uint8_t>(t);
            settings().rule_value = static_cast<std::uint16_t>(rule);
        } else if (!std::strcmp(argv[i], "--fingerprint"))
            fingerprints = true;
        else if (!std::strcmp(argv[i], "--save"))
            save = true;
        else
            files.push_back(argv[i]);
    }
    std::printf("%-42s %6s %10s %9s %9s %10s\n", "file", "frames", "screen Mpx", "cpu s", "Mpx/s", "data %");
    Totals all;
    for (const char* path : files) {
        Totals file;
        int frames = 0;
        for (int r = 0; r < repeat; ++r) {
            DocumentPtr document = load(path);
            if (!document) {
                std::printf("%-42s could not be loaded\n", path);
                break;
            }
            frames = document->frame_count;
            double before = 0, area = 0;
            for (Frame* f = document_first_frame(*document); f; f = document_next_frame(*document)) {
                before += f->encoded_length;
                area += static_cast<double>(f->rect.width()) * f->rect.height();
            }
            const double start = cpu_seconds();
            if (save)
                write_gif_to_buffer(*document, path);
            else
                optimize_document(*document);
            file.seconds += cpu_seconds() - start;
            if (fingerprints && r == 0)
                std::printf("fingerprint %016llx %s\n", static_cast<unsigned long long>(fingerprint(*document)), path);
            double after = 0;
            for (Frame* f = document_first_frame(*document); f; f = document_next_frame(*document))
                after += f->encoded_length;
            file.screen_pixels += static_cast<double>(frames) * document->screen_width * document->screen_height;
            file.frame_pixels += area;
            file.bytes_before += before;
            file.bytes_after += after;
        }
        if (file.seconds <= 0)
            continue;
        const char* name = std::strrchr(path, '/') ? std::strrchr(path, '/') + 1 : path;
        std::printf("%-42.42s %6d %10.2f %9.3f %9.1f %9.1f%%\n", name, frames, file.screen_pixels / repeat / 1e6,
                    file.seconds / repeat, file.screen_pixels / file.seconds / 1e6,
                    file.bytes_before > 0 ? 100.0 * file.bytes_after / file.bytes_before : 0.0);
        all.seconds += file.seconds;
        all.screen_pixels += file.screen_pixels;
        all.frame_pixels += file.frame_pixels;
        all.bytes_before += file.bytes_before;
        all.bytes_after += file.bytes_after;
    }
    if (all.seconds > 0)
        std::printf("total: %.3f s cpu per run, %.1f screen Mpx/s, %.1f frame Mpx/s, frame data %.1f%% of the loaded "
                    "encodings\n",
                    all.seconds / repeat, all.screen_pixels / all.seconds / 1e6, all.frame_pixels / all.seconds / 1e6,
                    100.0 * all.bytes_after / all.bytes_before);
    return 0;
}
