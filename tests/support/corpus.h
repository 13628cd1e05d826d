// The corpus of real GIF files the tests run over ($QUILLON_SHARED/corpus), and loading one
// of them as a document the way the program opens a file.
#pragma once
#include <cstdint>
#include <filesystem>
#include <limits>
#include <vector>

#include "document/document.h"

namespace test_corpus {

// The .gif files of the corpus no larger than `max_bytes`, sorted by name; every file when
// QUILLON_FULL_CORPUS is 1. Empty when QUILLON_SHARED is unset or the folder is missing.
std::vector<std::filesystem::path> files(std::uint64_t max_bytes = std::numeric_limits<std::uint64_t>::max());
// One corpus file by name ("" when QUILLON_SHARED is unset).
std::filesystem::path file(const char* name);
// The file read leniently; null when it cannot be opened or is refused.
DocumentPtr load(const std::filesystem::path& path);

}  // namespace test_corpus
