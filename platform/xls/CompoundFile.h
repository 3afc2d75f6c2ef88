#pragma once
// The compound-file container of an .xls: a tree of named storages holding named byte streams. Read whole
// and written whole; the container format itself is libgsf's business.
#include <cstdint>
#include <string>
#include <vector>

namespace xls {

struct CompoundStream {
    std::string path;           // "Workbook", or "Storage/Stream" for streams inside storages
    std::vector<uint8_t> data;
};

// Every stream of the file, depth first. False (with a reason) for a missing file or one that is no
// compound file.
bool ReadCompoundFile(const std::string& file, std::vector<CompoundStream>& streams, std::string& error);

// Writes the streams, making the storages their paths name. The file appears whole or not at all: it is
// written beside its place and renamed over it only once complete.
bool WriteCompoundFile(const std::string& file, const std::vector<CompoundStream>& streams, std::string& error);

} // namespace xls
