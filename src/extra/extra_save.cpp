#include "extra/extra_save.h"

#include "app/report.h"
#include "app/string_tables.h"
#include "codec/output_buffer.h"
#include "extra/extra_mode.h"
#include "foundation/file_access.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"

namespace {

constexpr int kExtraCaption = 451;

// The whole file, when it still has the size the document knows (else it changed on disk
// since, or went away, and cannot stand for the document).
bool read_original(const char* path, std::uint32_t expected_size, std::vector<std::uint8_t>& bytes)
{
    FileRefPtr ref(FileRefFromPath(path));
    OpenFilePtr file(ref ? FileOpen(ref.get(), FileMode::Read) : nullptr);
    std::uint32_t size = 0, read = 0;
    if (!file || !FileSize(file.get(), &size) || size != expected_size || size == 0)
        return false;
    bytes.resize(size);
    return FileRead(file.get(), size, &read, bytes.data()) && read == size;
}

void put_output(const std::vector<std::uint8_t>& bytes)
{
    OutputBuffer& out = output_buffer();
    out.reset();
    out.append(bytes.data(), bytes.size());
}

// The extra mode over `source`, one progress step per frame; empty when it gave nothing smaller.
std::vector<std::uint8_t> rebuild(const std::vector<std::uint8_t>& source, const char* path, ExtraOutcome& outcome)
{
    Reporter& progress = reporter();
    const char* slash = StrFindLastChar(path, '/');
    const StrPtr caption(FormatNew(app_string(kExtraCaption), slash ? slash + 1 : path));
    progress.begin_progress(caption.get(), 0);
    std::vector<std::uint8_t> rebuilt;
    outcome = extra_compress(source.data(), source.size(), PlanLevers(), rebuilt,
                             [&progress](std::size_t done, std::size_t count) {
                                 if (done == 0)
                                     progress.restart_progress(static_cast<std::uint32_t>(count));
                                 else
                                     progress.advance_progress(1);
                             });
    progress.end_progress();
    if (outcome != ExtraOutcome::Smaller)
        rebuilt.clear();
    return rebuilt;
}

}  // namespace

bool save_document_extra(Document& document, SaveMode mode, const char* original_path, SaveSummary* summary)
{
    const char* path = document.path ? document.path.get() : "";
    const std::uint32_t default_size = write_gif_to_buffer(document, path);
    std::vector<std::uint8_t> source;
    const bool from_original = original_path != nullptr && read_original(original_path, document.file_size, source);
    if (!from_original)
        source = output_buffer().bytes();
    ExtraOutcome outcome = ExtraOutcome::Damaged;
    const std::vector<std::uint8_t> rebuilt = rebuild(source, path, outcome);

    // The smallest candidate. A document without edits keeps every colour of its file: the
    // default file competes only when it merged none (a tie goes to the original's side).
    // The output buffer still holds the default file unless another candidate replaces it.
    const bool default_merged = document.has_256_colours != 0 || document.file_colours >= 256;
    const std::vector<std::uint8_t>* chosen = nullptr;
    std::size_t chosen_size = default_size;
    // A damaged original does not stand as it is: the default file is what could be read of it.
    if (from_original && outcome != ExtraOutcome::Damaged && (default_merged || source.size() <= chosen_size)) {
        chosen = &source;  // the original as it stands, when its rebuild is not smaller
        chosen_size = source.size();
    }
    if (!rebuilt.empty() && rebuilt.size() <= chosen_size)
        chosen = &rebuilt;
    if (chosen != nullptr)
        put_output(*chosen);
    const bool every_colour = from_original && chosen != nullptr;
    return save_output_buffer(document, mode, every_colour ? FileColours::EveryOriginal : FileColours::AsDocument,
                              summary);
}
