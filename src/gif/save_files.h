// The file operations a save goes through: a new temporary file beside the target, its
// bytes, and the step that puts it in the target's place. The writer reaches them through
// the GIF state; by default they are the platform's own. Another set (one that fails at a
// chosen step, or one that writes somewhere else) derives from this class and overrides the
// steps it changes.
#pragma once
#include <cstdint>
#include <string>

class SaveFileOperations {
public:
    virtual ~SaveFileOperations() = default;

    // Creates a new file in the target's folder under a name unique to this process and
    // gives its path; platform::kNoFile when the folder takes no new file.
    [[nodiscard]] virtual int create_beside(const char* target, std::string* temporary);
    // Writes all `length` bytes or fails.
    [[nodiscard]] virtual bool write(int file, const void* data, std::uint32_t length);
    // Forces the file's data to the disk.
    [[nodiscard]] virtual bool sync(int file);
    [[nodiscard]] virtual bool close(int file);
    // Replaces `target` by `from` in one step.
    [[nodiscard]] virtual bool replace(const char* from, const char* target);
    virtual void remove(const char* path);
};
