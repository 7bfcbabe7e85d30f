#pragma once
// OLE2 compound files (structured storage) through libgsf: reading single streams on demand and writing a
// whole tree of storages and streams at once.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/codecs/FpxBytes.h"

namespace imaging::codecs::fpx {

// One directory entry: a storage (with a class ID and children) or a stream (with bytes).
struct CompoundEntry {
    std::string name;
    bool storage = false;
    ClassId classId{};
    Bytes bytes;
    std::vector<CompoundEntry> children;

    static CompoundEntry Stream(std::string name, Bytes bytes) {
        return {std::move(name), false, {}, std::move(bytes), {}};
    }
    static CompoundEntry Storage(std::string name, const ClassId& classId) {
        return {std::move(name), true, classId, {}, {}};
    }
    // The child with this name, or null.
    CompoundEntry* Find(const std::string& childName);
};

// A path of names from the root: storages, then the entry itself.
using CompoundPath = std::vector<std::string>;

// Reads from a compound file held in memory; the bytes must outlive the reader.
class CompoundReader {
public:
    explicit CompoundReader(ByteSpan data); // throws Error when the bytes are not a compound file
    ~CompoundReader();
    CompoundReader(const CompoundReader&) = delete;
    CompoundReader& operator=(const CompoundReader&) = delete;

    ClassId RootClassId() const;
    bool HasStorage(const CompoundPath& path) const;
    // The stream's bytes; nullopt when there is no such stream. Throws Error when it is larger than maxSize
    // or cannot be read in full.
    std::optional<Bytes> ReadStream(const CompoundPath& path, std::size_t maxSize) const;
    // Every storage and stream (streams larger than the file itself are refused).
    CompoundEntry ReadTree() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

Bytes WriteCompoundFile(const CompoundEntry& root);

} // namespace imaging::codecs::fpx
