#include "imaging/codecs/FpxCompound.h"

#include <mutex>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

namespace imaging::codecs::fpx {

namespace {

void EnsureGsf() {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

struct Unref {
    void operator()(void* object) const {
        if (object) g_object_unref(object);
    }
};
template <typename T> using GPtr = std::unique_ptr<T, Unref>;

// The root directory entry must have no siblings. libgsf reads siblings of the root without attaching them
// anywhere, so such a file would leak their entries; it is refused before libgsf sees it.
void CheckRootEntry(ByteSpan data) {
    if (data.size() < 512) return; // too short for anything: libgsf refuses it
    const std::uint16_t shift = LoadU16(data, 0x1E, "compound file header");
    if (shift != 9 && shift != 12) return;
    const std::uint64_t root = (std::uint64_t(LoadU32(data, 0x30, "compound file header")) + 1) << shift;
    constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
    if (!Fits(data, root, 0x80)) return;
    if (LoadU32(data, std::size_t(root) + 0x44, "compound file directory") != kNoStream ||
        LoadU32(data, std::size_t(root) + 0x48, "compound file directory") != kNoStream)
        Fail("damaged compound file directory (the root entry has siblings)");
}

bool IsStorage(GsfInput* input) {
    return GSF_IS_INFILE(input) && gsf_infile_num_children(GSF_INFILE(input)) >= 0;
}

ClassId StorageClassId(GsfInput* input) {
    ClassId id{};
    if (GSF_IS_INFILE_MSOLE(input)) gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(input), id.data());
    return id;
}

Bytes ReadAll(GsfInput* input, std::size_t maxSize) {
    const gsf_off_t size = gsf_input_size(input);
    if (size < 0 || std::uint64_t(size) > maxSize) Fail("FlashPix stream size is out of range");
    Bytes bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && gsf_input_read(input, bytes.size(), bytes.data()) == nullptr)
        Fail("FlashPix stream cannot be read in full");
    return bytes;
}

CompoundEntry ReadEntry(GsfInput* input, const char* name, std::size_t maxStream, int depth) {
    if (!IsStorage(input)) return CompoundEntry::Stream(name, ReadAll(input, maxStream));
    if (depth > 32) Fail("compound file storages are nested too deeply");
    CompoundEntry entry = CompoundEntry::Storage(name, StorageClassId(input));
    GsfInfile* storage = GSF_INFILE(input);
    const int count = gsf_infile_num_children(storage);
    for (int i = 0; i < count; ++i) {
        GPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
        const char* childName = gsf_infile_name_by_index(storage, i);
        if (!child || !childName) Fail("compound file directory entry cannot be opened");
        entry.children.push_back(ReadEntry(child.get(), childName, maxStream, depth + 1));
    }
    return entry;
}

void WriteChildren(GsfOutfile* parent, const CompoundEntry& entry) {
    for (const CompoundEntry& child : entry.children) {
        GPtr<GsfOutput> output(gsf_outfile_new_child(parent, child.name.c_str(), child.storage));
        if (!output) Fail("cannot create compound file entry " + child.name);
        bool ok = true;
        if (child.storage) {
            ok = gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(output.get()), child.classId.data());
            WriteChildren(GSF_OUTFILE(output.get()), child);
        } else if (!child.bytes.empty()) {
            ok = gsf_output_write(output.get(), child.bytes.size(), child.bytes.data());
        }
        if (!gsf_output_close(output.get()) || !ok) Fail("cannot write compound file entry " + child.name);
    }
}

} // namespace

CompoundEntry* CompoundEntry::Find(const std::string& childName) {
    for (CompoundEntry& child : children)
        if (child.name == childName) return &child;
    return nullptr;
}

struct CompoundReader::Impl {
    std::size_t fileSize = 0;
    GPtr<GsfInput> input;
    GPtr<GsfInfile> root;

    // The entry at path (a new reference), or null when any part is missing or a stream stands for a storage.
    GPtr<GsfInput> Open(const CompoundPath& path) const {
        GPtr<GsfInput> current;
        GsfInfile* parent = root.get();
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (!parent) return nullptr;
            GPtr<GsfInput> child(gsf_infile_child_by_name(parent, path[i].c_str()));
            if (!child) return nullptr;
            current = std::move(child);
            parent = IsStorage(current.get()) ? GSF_INFILE(current.get()) : nullptr;
        }
        return current;
    }
};

CompoundReader::CompoundReader(ByteSpan data) : impl_(std::make_unique<Impl>()) {
    EnsureGsf();
    CheckRootEntry(data);
    impl_->fileSize = data.size();
    impl_->input.reset(gsf_input_memory_new(data.data(), gsf_off_t(data.size()), FALSE));
    if (!impl_->input) Fail("cannot read the compound file");
    GError* error = nullptr;
    impl_->root.reset(gsf_infile_msole_new(impl_->input.get(), &error));
    if (error) g_error_free(error);
    if (!impl_->root) Fail("not a valid OLE2 compound file");
}

CompoundReader::~CompoundReader() = default;

ClassId CompoundReader::RootClassId() const {
    return StorageClassId(GSF_INPUT(impl_->root.get()));
}

bool CompoundReader::HasStorage(const CompoundPath& path) const {
    GPtr<GsfInput> entry = impl_->Open(path);
    return entry && IsStorage(entry.get());
}

std::optional<Bytes> CompoundReader::ReadStream(const CompoundPath& path, std::size_t maxSize) const {
    GPtr<GsfInput> entry = impl_->Open(path);
    if (!entry || IsStorage(entry.get())) return std::nullopt;
    return ReadAll(entry.get(), maxSize);
}

CompoundEntry CompoundReader::ReadTree() const {
    return ReadEntry(GSF_INPUT(impl_->root.get()), "Root Entry", impl_->fileSize, 0);
}

Bytes WriteCompoundFile(const CompoundEntry& root) {
    EnsureGsf();
    GPtr<GsfOutput> sink(gsf_output_memory_new());
    if (!sink) Fail("cannot create the compound file");
    {
        GPtr<GsfOutfile> file(gsf_outfile_msole_new(sink.get()));
        if (!file) Fail("cannot create the compound file");
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(file.get()), root.classId.data());
        WriteChildren(file.get(), root);
        if (!gsf_output_close(GSF_OUTPUT(file.get()))) Fail("cannot complete the compound file");
    }
    const gsf_off_t size = gsf_output_size(sink.get());
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    if (size <= 0 || !bytes) Fail("the compound file came out empty");
    return Bytes(bytes, bytes + size);
}

} // namespace imaging::codecs::fpx
