#include "imaging/codecs/FpxPropertySet.h"

#include <algorithm>
#include <bit>

namespace imaging::codecs::fpx {

namespace {

constexpr std::size_t kHeaderSize = 48; // byte order .. one format ID and its section offset
constexpr std::uint32_t kMaxProperties = 4096;

// The stored length of a value of this type starting at offset (after the type field), or nullopt for a type
// this reader does not know.
std::optional<std::uint64_t> ValueLength(std::uint32_t type, ByteSpan section, std::size_t offset) {
    switch (type) {
    case kTypeI2:
        return 2;
    case kTypeI4:
    case kTypeR4:
    case kTypeUI4:
        return 4;
    case kTypeClsid:
        return 16;
    case kTypeBlob:
        return 4 + std::uint64_t(LoadU32(section, offset, "property"));
    case kTypeUI4Vector:
        return 4 + 4 * std::uint64_t(LoadU32(section, offset, "property"));
    default:
        return std::nullopt;
    }
}

} // namespace

PropertySet PropertySet::Parse(ByteSpan stream) {
    if (LoadU16(stream, 0, "property set") != 0xFFFE) Fail("FlashPix property set has a bad byte order mark");
    if (LoadU32(stream, 24, "property set") < 1) Fail("FlashPix property set has no section");
    Need(stream, 28, 20, "property set");
    ClassId formatId{};
    std::copy_n(stream.begin() + 28, 16, formatId.begin());
    const std::uint32_t sectionOffset = LoadU32(stream, 44, "property set");
    const std::uint32_t sectionSize = LoadU32(stream, sectionOffset, "property set section");
    Need(stream, sectionOffset, sectionSize, "property set section");
    const ByteSpan section = stream.subspan(sectionOffset, sectionSize);
    const std::uint32_t count = LoadU32(section, 4, "property set section");
    if (count > kMaxProperties || !Fits(section, 8, std::uint64_t(count) * 8))
        Fail("FlashPix property set has a bad property count");

    PropertySet set(formatId);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = LoadU32(section, 8 + 8 * std::size_t(i), "property table");
        const std::uint32_t offset = LoadU32(section, 12 + 8 * std::size_t(i), "property table");
        const std::uint32_t type = LoadU32(section, offset, "property");
        const std::optional<std::uint64_t> length = ValueLength(type, section, std::size_t(offset) + 4);
        if (!length) continue;
        Need(section, std::uint64_t(offset) + 4, *length, "property value");
        const auto begin = section.begin() + offset + 4;
        set.Set(id, type, Bytes(begin, begin + std::ptrdiff_t(*length)));
    }
    return set;
}

Bytes PropertySet::Serialize() const {
    Bytes out;
    AppendU16(out, 0xFFFE);
    AppendU16(out, 0);           // format version
    AppendU32(out, 0x00000003);  // system identifier, as other FlashPix writers store it
    AppendBytes(out, formatId_); // class ID: the format ID again
    AppendU32(out, 1);           // one section
    AppendBytes(out, formatId_);
    AppendU32(out, kHeaderSize);

    Bytes values;
    Bytes table;
    const std::size_t tableSize = 8 + 8 * properties_.size();
    for (const Property& property : properties_) {
        AppendU32(table, property.id);
        AppendU32(table, std::uint32_t(tableSize + values.size()));
        AppendU32(values, property.type);
        AppendBytes(values, property.value);
        AlignTo4(values);
    }
    AppendU32(out, std::uint32_t(tableSize + values.size()));
    AppendU32(out, std::uint32_t(properties_.size()));
    AppendBytes(out, table);
    AppendBytes(out, values);
    return out;
}

void PropertySet::Set(std::uint32_t id, std::uint32_t type, Bytes value) {
    for (Property& property : properties_) {
        if (property.id == id) {
            property.type = type;
            property.value = std::move(value);
            return;
        }
    }
    properties_.push_back({id, type, std::move(value)});
}

void PropertySet::SetI2(std::uint32_t id, std::int16_t value) {
    Bytes bytes;
    AppendU16(bytes, std::uint16_t(value));
    Set(id, kTypeI2, std::move(bytes));
}

void PropertySet::SetI4(std::uint32_t id, std::int32_t value) {
    Bytes bytes;
    AppendU32(bytes, std::uint32_t(value));
    Set(id, kTypeI4, std::move(bytes));
}

void PropertySet::SetUI4(std::uint32_t id, std::uint32_t value) {
    Bytes bytes;
    AppendU32(bytes, value);
    Set(id, kTypeUI4, std::move(bytes));
}

void PropertySet::SetR4(std::uint32_t id, float value) {
    Bytes bytes;
    AppendU32(bytes, std::bit_cast<std::uint32_t>(value));
    Set(id, kTypeR4, std::move(bytes));
}

void PropertySet::SetBlob(std::uint32_t id, ByteSpan value) {
    Bytes bytes;
    AppendU32(bytes, std::uint32_t(value.size()));
    AppendBytes(bytes, value);
    Set(id, kTypeBlob, std::move(bytes));
}

void PropertySet::SetClsid(std::uint32_t id, const ClassId& value) {
    Set(id, kTypeClsid, Bytes(value.begin(), value.end()));
}

void PropertySet::SetUI4Vector(std::uint32_t id, const std::vector<std::uint32_t>& values) {
    Bytes bytes;
    AppendU32(bytes, std::uint32_t(values.size()));
    for (std::uint32_t value : values)
        AppendU32(bytes, value);
    Set(id, kTypeUI4Vector, std::move(bytes));
}

const PropertySet::Property* PropertySet::Find(std::uint32_t id) const {
    for (const Property& property : properties_)
        if (property.id == id) return &property;
    return nullptr;
}

std::optional<std::int64_t> PropertySet::Integer(std::uint32_t id) const {
    const Property* property = Find(id);
    if (!property) return std::nullopt;
    switch (property->type) {
    case kTypeI2:
        return std::int16_t(LoadU16(property->value, 0, "property"));
    case kTypeI4:
        return std::int32_t(LoadU32(property->value, 0, "property"));
    case kTypeUI4:
        return LoadU32(property->value, 0, "property");
    default:
        return std::nullopt;
    }
}

std::optional<ByteSpan> PropertySet::Blob(std::uint32_t id) const {
    const Property* property = Find(id);
    if (!property || property->type != kTypeBlob) return std::nullopt;
    return ByteSpan(property->value).subspan(4);
}

} // namespace imaging::codecs::fpx
