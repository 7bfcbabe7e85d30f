#pragma once
// OLE property set streams (one section): the typed (id, value) pairs FlashPix keeps its image description in.
// Known value types: I2, I4, R4, UI4, BLOB, CLSID and vector of UI4; others are skipped when reading.
#include <optional>
#include <vector>

#include "imaging/codecs/FpxBytes.h"

namespace imaging::codecs::fpx {

enum PropertyType : std::uint32_t {
    kTypeI2 = 0x0002,
    kTypeI4 = 0x0003,
    kTypeR4 = 0x0004,
    kTypeUI4 = 0x0013,
    kTypeBlob = 0x0041,
    kTypeClsid = 0x0048,
    kTypeUI4Vector = 0x1013,
};

inline constexpr std::uint32_t kCodePageProperty = 0x00000001;

class PropertySet {
public:
    struct Property {
        std::uint32_t id = 0;
        std::uint32_t type = 0;
        Bytes value; // the value as stored after the type field, without padding
    };

    explicit PropertySet(const ClassId& formatId) : formatId_(formatId) {}
    // Throws Error when the stream is malformed.
    static PropertySet Parse(ByteSpan stream);
    Bytes Serialize() const;

    const ClassId& FormatId() const { return formatId_; }
    const std::vector<Property>& Properties() const { return properties_; }

    // Setting an id that is present replaces its value in place; a new id goes at the end.
    void SetI2(std::uint32_t id, std::int16_t value);
    void SetI4(std::uint32_t id, std::int32_t value);
    void SetUI4(std::uint32_t id, std::uint32_t value);
    void SetR4(std::uint32_t id, float value);
    void SetBlob(std::uint32_t id, ByteSpan value);
    void SetClsid(std::uint32_t id, const ClassId& value);
    void SetUI4Vector(std::uint32_t id, const std::vector<std::uint32_t>& values);

    const Property* Find(std::uint32_t id) const;
    // An integer property (I2, I4 or UI4); nullopt when absent or of another type.
    std::optional<std::int64_t> Integer(std::uint32_t id) const;
    std::optional<ByteSpan> Blob(std::uint32_t id) const;

private:
    void Set(std::uint32_t id, std::uint32_t type, Bytes value);

    ClassId formatId_{};
    std::vector<Property> properties_;
};

} // namespace imaging::codecs::fpx
