#include "imaging/codecs/JpegDc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/JpegEntropy.h"

// How the reduced image is made (what a full decoder's 1×1 inverse DCT gives at 1/8 scale):
// - A block's sample is ((dc × q0 + 4) >> 3) + 128, clamped to 0..255, where q0 is the DC entry of the
//   quantisation table in force when the first scan holding the component started.
// - A plane smaller than the image (subsampled chroma) is brought to the image's size by a triangle filter when
//   it is halved or full on each side (weights 3/4 and 1/4, each output sample centred between two inputs, the
//   edge sample repeated), and by repeating samples for other ratios.
// - YCbCr becomes RGB with the JFIF full-range formulas, rounded and clamped.
// Refused (nullopt), so the caller decodes the usual way: every coding but progressive Huffman, a precision other
// than 8 bits, 2 or 4 components, RGB (an Adobe transform 0, or component ids 'R' 'G' 'B' without a JFIF or Adobe
// marker), DNL and unknown markers, bad tables, an undecodable Huffman code, a missing restart marker, DC values
// beyond 16 bits, a scan that breaks the DC progression, and any file that ends before its EOI. A scan's data
// reaches up to the next marker; a block that needs bits beyond it means the file is damaged.
// Also refused, because libjpeg's decode would not give the same verdict or pixels: a DC scan whose data goes on
// past its last block, a scan naming its components out of the frame's order, a DC table with a symbol beyond 15,
// a sample beyond the range libjpeg's 1 x 1 inverse DCT clamps (it wraps further out), and a component with none
// of the AC coefficients 1 to 9 in any scan (libjpeg then smooths the DC values from their neighbours).

namespace imaging::codecs {
namespace {

using jpegdc::BitReader;
using jpegdc::HuffmanTable;
using jpegdc::IsRestart;
using jpegdc::NextMarker;

struct NotHandled {};
[[noreturn]] void Refuse() {
    throw NotHandled{};
}

// Big-endian fields of one marker segment; a read past its end refuses the file.
class Segment {
public:
    explicit Segment(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool empty() const { return pos_ >= bytes_.size(); }
    std::size_t left() const { return bytes_.size() - pos_; }
    std::uint8_t U8() {
        if (pos_ >= bytes_.size()) Refuse();
        return bytes_[pos_++];
    }
    int U16() {
        const int high = U8();
        return high << 8 | U8();
    }
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        if (count > left()) Refuse();
        pos_ += count;
        return bytes_.subspan(pos_ - count, count);
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

int CeilDiv(std::int64_t a, std::int64_t b) {
    return int((a + b - 1) / b);
}

struct Component {
    int id = 0;
    int h = 1, v = 1;
    int quantTable = 0;
    int q0 = -1;                  // DC quantiser, taken when the first scan holding the component starts
    int blocksW = 0, blocksH = 0; // the component's own block grid
    int stride = 0, rows = 0;     // the grid padded to whole MCUs of an interleaved scan
    int bits = -1;                // Al of the last DC scan; -1 before the first one
    bool lowAc = false;           // a scan holds one of the AC coefficients 1 to 9
    std::vector<std::int16_t> dc; // stride × rows coefficients, allocated by the first DC scan
};

struct ScanComponent {
    Component* component;
    const HuffmanTable* dcTable;
};

// What the MCU loop of a DC scan needs of one of its components.
struct Lane {
    std::int16_t* dc;
    std::int64_t stride;
    int h, v; // blocks per MCU across and down
    const HuffmanTable* table;
    int predictor;
};

// One sampling axis of a plane brought to the image's size: for each output sample the nearer and farther
// input sample and the nearer one's weight in quarters.
struct Taps {
    std::vector<int> nearer, farther;
    std::vector<int> weight;

    Taps(int outSize, int inSize, int factor, int maxFactor, bool triangle)
        : nearer(std::size_t(outSize)), farther(std::size_t(outSize)), weight(std::size_t(outSize), 4) {
        for (int o = 0; o < outSize; ++o) {
            const std::size_t i = std::size_t(o);
            if (factor == maxFactor) {
                nearer[i] = farther[i] = std::min(o, inSize - 1);
            } else if (triangle) { // halved: output 2k sits a quarter before input k, 2k + 1 a quarter after
                nearer[i] = std::min(o / 2, inSize - 1);
                farther[i] = o % 2 ? std::min(o / 2 + 1, inSize - 1) : std::max(o / 2 - 1, 0);
                weight[i] = 3;
            } else {
                nearer[i] = farther[i] = std::min(int(std::int64_t(o) * factor / maxFactor), inSize - 1);
            }
        }
    }
};

std::uint8_t Clamp(int value) {
    return std::uint8_t(std::clamp(value, 0, 255));
}

class DcDecoder {
public:
    DcDecoder(std::span<const std::uint8_t> data, bool allowSubsampled)
        : data_(data), allowSubsampled_(allowSubsampled) {}

    Raster Decode() {
        if (data_.size() < 2 || data_[0] != 0xFF || data_[1] != 0xD8) Refuse();
        std::size_t pos = 2;
        for (;;) {
            if (pos >= data_.size() || data_[pos] != 0xFF) Refuse();
            while (pos < data_.size() && data_[pos] == 0xFF)
                ++pos;
            if (pos >= data_.size()) Refuse();
            const std::uint8_t marker = data_[pos++];
            if (marker == 0xD9) break; // EOI
            if (marker == 0x01 || IsRestart(marker)) continue;
            if (data_.size() - pos < 2) Refuse();
            const std::size_t length = std::size_t(data_[pos] << 8 | data_[pos + 1]);
            if (length < 2 || length > data_.size() - pos) Refuse();
            Segment segment(data_.subspan(pos + 2, length - 2));
            pos += length;
            switch (marker) {
            case 0xC2:
                ReadFrame(segment);
                break;
            case 0xC4:
                ReadHuffmanTables(segment);
                break;
            case 0xDB:
                ReadQuantTables(segment);
                break;
            case 0xDD:
                ReadRestartInterval(segment);
                break;
            case 0xDA:
                pos = ReadScan(segment, pos);
                break;
            case 0xE0:
                sawJfif_ = sawJfif_ || HasPrefix(segment, "JFIF", 5);
                break;
            case 0xEE:
                ReadAdobe(segment);
                break;
            default:
                if ((marker >= 0xE1 && marker <= 0xEF) || marker == 0xFE) break; // other APPn, comments
                Refuse(); // other frame kinds, arithmetic conditioning, DNL, reserved markers
            }
        }
        if (components_.empty()) Refuse();
        for (const Component& c : components_)
            if (c.bits < 0 || !c.lowAc) Refuse();
        return Render();
    }

private:
    static bool HasPrefix(Segment& segment, const char* text, std::size_t length) {
        return segment.left() >= length && std::memcmp(segment.Bytes(length).data(), text, length) == 0;
    }

    void ReadAdobe(Segment& segment) {
        if (!HasPrefix(segment, "Adobe", 5) || segment.left() < 7) return;
        segment.Bytes(6); // version, flags 0 and 1
        sawAdobe_ = true;
        adobeTransform_ = segment.U8();
    }

    void ReadFrame(Segment& segment) {
        if (!components_.empty()) Refuse(); // one frame only
        if (segment.U8() != 8) Refuse();
        height_ = segment.U16();
        width_ = segment.U16();
        const int count = segment.U8();
        if (width_ == 0 || height_ == 0) Refuse(); // a height of 0 is set later by a DNL marker
        if (std::uint64_t(width_) * std::uint64_t(height_) > kMaxPixels) Refuse();
        if ((count != 1 && count != 3) || segment.left() != std::size_t(count) * 3) Refuse();
        components_.resize(std::size_t(count));
        for (Component& c : components_) {
            c.id = segment.U8();
            const int sampling = segment.U8();
            c.h = sampling >> 4;
            c.v = sampling & 15;
            c.quantTable = segment.U8();
            if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quantTable > 3) Refuse();
            maxH_ = std::max(maxH_, c.h);
            maxV_ = std::max(maxV_, c.v);
        }
        if (!allowSubsampled_)
            for (const Component& c : components_)
                if (c.h != maxH_ || c.v != maxV_) Refuse();
        for (Component& c : components_) {
            for (const Component& other : components_)
                if (&other != &c && other.id == c.id) Refuse(); // scans name components by id
            c.blocksW = CeilDiv(CeilDiv(std::int64_t(width_) * c.h, maxH_), 8);
            c.blocksH = CeilDiv(CeilDiv(std::int64_t(height_) * c.v, maxV_), 8);
            c.stride = CeilDiv(width_, 8 * maxH_) * c.h;
            c.rows = CeilDiv(height_, 8 * maxV_) * c.v;
        }
    }

    void ReadQuantTables(Segment& segment) {
        while (!segment.empty()) {
            const int selector = segment.U8();
            const int precision = selector >> 4, index = selector & 15;
            if (precision > 1 || index > 3) Refuse();
            Segment values(segment.Bytes(precision ? 128 : 64));
            quantDc_[std::size_t(index)] = precision ? values.U16() : values.U8(); // zigzag entry 0 is DC
        }
    }

    void ReadHuffmanTables(Segment& segment) {
        while (!segment.empty()) {
            const int selector = segment.U8();
            const int tableClass = selector >> 4, index = selector & 15;
            if (tableClass > 1 || index > 3) Refuse();
            const std::uint8_t* counts = segment.Bytes(16).data();
            int total = 0;
            for (int i = 0; i < 16; ++i)
                total += counts[i];
            if (total > 256) Refuse();
            auto& tables = tableClass == 0 ? dcTables_ : acTables_;
            if (!tables[std::size_t(index)].Build(counts, segment.Bytes(std::size_t(total)))) Refuse();
        }
    }

    void ReadRestartInterval(Segment& segment) {
        if (segment.left() != 2) Refuse();
        restartInterval_ = segment.U16();
    }

    // Reads a scan header; decodes a DC scan, passes over the data of an AC scan. Returns the position of the
    // marker after the scan's data.
    std::size_t ReadScan(Segment& segment, std::size_t dataStart) {
        if (components_.empty()) Refuse();
        const int count = segment.U8();
        if (count < 1 || count > 4 || segment.left() != std::size_t(count) * 2 + 3) Refuse();
        std::vector<ScanComponent> scan;
        std::array<int, 4> acTable{};
        for (int i = 0; i < count; ++i) {
            const int id = segment.U8(), tables = segment.U8();
            auto found = std::find_if(components_.begin(), components_.end(), [&](auto& c) { return c.id == id; });
            if (found == components_.end() || (tables >> 4) > 3 || (tables & 15) > 3) Refuse();
            if (!scan.empty() && scan.back().component >= &*found) Refuse(); // the frame's order, each once
            scan.push_back({&*found, &dcTables_[std::size_t(tables >> 4)]});
            acTable[std::size_t(i)] = tables & 15;
        }
        const int ss = segment.U8(), se = segment.U8(), approx = segment.U8();
        const int ah = approx >> 4, al = approx & 15;
        if (al > 13 || (ah != 0 && al != ah - 1)) Refuse();
        if (!sawScan_) CheckColourSpace();
        sawScan_ = true;
        for (ScanComponent& s : scan) { // each component keeps the quantiser in force at its first scan
            if (s.component->q0 >= 0) continue;
            if (quantDc_[std::size_t(s.component->quantTable)] < 0) Refuse();
            s.component->q0 = quantDc_[std::size_t(s.component->quantTable)];
        }
        if (ss == 0) {
            if (se != 0) Refuse();
            return DecodeDcScan(scan, ah, al, dataStart);
        }
        if (se < ss || se > 63 || count != 1) Refuse();
        if (ah == 0 && !acTables_[std::size_t(acTable[0])].defined()) Refuse();
        if (ss <= 9) scan[0].component->lowAc = true;
        return NextMarker(data_, dataStart, true);
    }

    void CheckColourSpace() const {
        if (components_.size() != 3) return;
        if (sawAdobe_ && adobeTransform_ == 0) Refuse();
        const bool rgbIds = components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B';
        if (!sawJfif_ && !sawAdobe_ && rgbIds) Refuse();
    }

    std::size_t DecodeDcScan(std::vector<ScanComponent>& scan, int ah, int al, std::size_t dataStart) {
        const bool first = ah == 0;
        const bool interleaved = scan.size() > 1;
        const std::int64_t mcuCols = interleaved ? CeilDiv(width_, 8 * maxH_) : scan[0].component->blocksW;
        const std::int64_t mcuRows = interleaved ? CeilDiv(height_, 8 * maxV_) : scan[0].component->blocksH;
        std::array<Lane, 4> lanes{};
        const std::span<Lane> used(lanes.data(), scan.size());
        std::int64_t blocksPerMcu = 0;
        for (std::size_t i = 0; i < scan.size(); ++i) {
            Component& c = *scan[i].component;
            if (first ? c.bits >= 0 : c.bits != ah) Refuse(); // the progression of this component
            if (first && (!scan[i].dcTable->defined() || !scan[i].dcTable->HoldsDcSizes())) Refuse();
            lanes[i] = {nullptr, c.stride, interleaved ? c.h : 1, interleaved ? c.v : 1, scan[i].dcTable, 0};
            blocksPerMcu += lanes[i].h * lanes[i].v;
        }
        if (blocksPerMcu > 10) Refuse();
        // Every block takes at least one bit: a scan the rest of the file cannot hold is refused before its
        // coefficients are allocated (the padding of a component's grid adds less than 4 blocks to each side).
        if (std::uint64_t(mcuCols * mcuRows * blocksPerMcu) > std::uint64_t(data_.size() - dataStart) * 8) Refuse();
        for (std::size_t i = 0; i < scan.size(); ++i) {
            Component& c = *scan[i].component;
            if (first) c.dc.assign(std::size_t(c.stride) * std::size_t(c.rows), 0);
            lanes[i].dc = c.dc.data();
        }

        BitReader bits(data_, dataStart);
        if (first)
            DecodeMcus<true>(bits, used, al, mcuCols, mcuRows);
        else
            DecodeMcus<false>(bits, used, al, mcuCols, mcuRows);
        for (ScanComponent& s : scan)
            s.component->bits = al;
        // Data past the last block: libjpeg weighs it as damage (see LibjpegErrors); here none is taken.
        const std::size_t end = NextMarker(data_, bits.position(), true);
        if (end != bits.position()) Refuse();
        return end;
    }

    // The MCUs of a DC scan in order: one block each in a scan of one component, h × v blocks of each component
    // otherwise. First scans add Huffman-coded differences to a predictor per component and store the sum
    // shifted left by al; refinement scans add one bit each at al.
    template <bool first>
    void DecodeMcus(BitReader& bits, std::span<Lane> lanes, int al, std::int64_t mcuCols, std::int64_t mcuRows) {
        int restartsLeft = restartInterval_, nextRestart = 0;
        for (std::int64_t mcuY = 0; mcuY < mcuRows; ++mcuY) {
            for (std::int64_t mcuX = 0; mcuX < mcuCols; ++mcuX) {
                if (restartInterval_ != 0) {
                    if (restartsLeft == 0) {
                        bits.Restart(AfterRestartMarker(bits.position(), nextRestart));
                        nextRestart = (nextRestart + 1) & 7;
                        restartsLeft = restartInterval_;
                        for (Lane& lane : lanes)
                            lane.predictor = 0;
                    }
                    --restartsLeft;
                }
                for (Lane& lane : lanes) {
                    std::int16_t* block = lane.dc + mcuY * lane.v * lane.stride + mcuX * lane.h;
                    for (int by = 0; by < lane.v; ++by, block += lane.stride - lane.h) {
                        for (int bx = 0; bx < lane.h; ++bx, ++block) {
                            if constexpr (first) {
                                int difference;
                                if (!lane.table->DecodeDifference(bits, difference)) Refuse();
                                lane.predictor += difference;
                                const int value = lane.predictor * (1 << al);
                                if (value < -32768 || value > 32767) Refuse();
                                *block = std::int16_t(value);
                            } else {
                                *block = std::int16_t(*block | int(bits.Get(1)) << al);
                            }
                        }
                    }
                }
                if (bits.overrun()) Refuse();
            }
        }
    }

    // The restart marker due after the padding bits, RSTn with n counting 0..7: the position after it.
    std::size_t AfterRestartMarker(std::size_t pos, int number) const {
        pos = NextMarker(data_, pos, false);
        while (pos < data_.size() && data_[pos] == 0xFF)
            ++pos;
        if (pos >= data_.size() || data_[pos] != 0xD0 + number) Refuse();
        return pos + 1;
    }

    Raster Render() const {
        Raster raster;
        raster.width = CeilDiv(width_, 8);
        raster.height = CeilDiv(height_, 8);
        std::vector<std::vector<std::uint8_t>> planes;
        for (const Component& c : components_) { // the samples of the component's own blocks
            std::vector<std::uint8_t>& plane = planes.emplace_back(std::size_t(c.blocksW) * std::size_t(c.blocksH));
            for (std::size_t y = 0; y < std::size_t(c.blocksH); ++y) {
                const std::int16_t* dc = c.dc.data() + y * std::size_t(c.stride);
                std::uint8_t* sample = plane.data() + y * std::size_t(c.blocksW);
                for (std::size_t x = 0; x < std::size_t(c.blocksW); ++x) { // |dc × q0| < 2^31
                    const int level = (dc[x] * c.q0 + 4) >> 3;
                    if (level < -512 || level > 511) Refuse(); // libjpeg's range limit wraps beyond this
                    sample[x] = Clamp(level + 128);
                }
            }
        }
        if (components_.size() == 1) {
            raster.bands = 1;
            raster.bitCount = 8;
            raster.pixels = std::move(planes[0]);
            return raster;
        }
        raster.bands = 3;
        raster.bitCount = 24;
        raster.pixels.resize(std::size_t(raster.width) * std::size_t(raster.height) * 3);
        const std::size_t width = std::size_t(raster.width);
        std::vector<Taps> across, down;
        for (const Component& c : components_) {
            const bool triangle = (c.h == maxH_ || c.h * 2 == maxH_) && (c.v == maxV_ || c.v * 2 == maxV_);
            across.emplace_back(raster.width, c.blocksW, c.h, maxH_, triangle);
            down.emplace_back(raster.height, c.blocksH, c.v, maxV_, triangle);
        }
        std::array<std::vector<std::uint8_t>, 3> rows;
        for (auto& row : rows)
            row.resize(width);
        for (int y = 0; y < raster.height; ++y) {
            for (std::size_t ci = 0; ci < 3; ++ci)
                ResampleRow(planes[ci], components_[ci], across[ci], down[ci], y, rows[ci]);
            std::uint8_t* out = raster.Row(y);
            for (std::size_t x = 0; x < width; ++x, out += 3) {
                const int luma = rows[0][x], cb = rows[1][x] - 128, cr = rows[2][x] - 128;
                // 1.402, 0.344136, 0.714136 and 1.772 in 16-bit fixed point
                out[0] = Clamp(luma + ((91881 * cr + 32768) >> 16));
                out[1] = Clamp(luma + ((-22554 * cb - 46802 * cr + 32768) >> 16));
                out[2] = Clamp(luma + ((116130 * cb + 32768) >> 16));
            }
        }
        return raster;
    }

    void ResampleRow(const std::vector<std::uint8_t>& plane, const Component& c, const Taps& across, const Taps& down,
                     int y, std::vector<std::uint8_t>& row) const {
        const std::size_t yi = std::size_t(y);
        const std::uint8_t* nearRow = plane.data() + std::size_t(down.nearer[yi]) * std::size_t(c.blocksW);
        const std::uint8_t* farRow = plane.data() + std::size_t(down.farther[yi]) * std::size_t(c.blocksW);
        if (c.h == maxH_ && c.v == maxV_) { // a full-size plane: its own blocks are the image's
            std::copy_n(nearRow, row.size(), row.begin());
            return;
        }
        const int wy = down.weight[yi];
        for (std::size_t x = 0; x < row.size(); ++x) {
            const int n = across.nearer[x], f = across.farther[x], wx = across.weight[x];
            const int nearSum = wx * nearRow[n] + (4 - wx) * nearRow[f];
            const int farSum = wx * farRow[n] + (4 - wx) * farRow[f];
            row[x] = std::uint8_t((wy * nearSum + (4 - wy) * farSum + 8) >> 4);
        }
    }

    std::span<const std::uint8_t> data_;
    const bool allowSubsampled_;
    int width_ = 0, height_ = 0;
    int maxH_ = 1, maxV_ = 1;
    std::vector<Component> components_;
    std::array<int, 4> quantDc_{-1, -1, -1, -1};
    std::array<HuffmanTable, 4> dcTables_, acTables_;
    int restartInterval_ = 0;
    bool sawJfif_ = false, sawAdobe_ = false, sawScan_ = false;
    int adobeTransform_ = -1;
};

} // namespace

std::optional<Raster> DecodeJpegDc(std::span<const std::uint8_t> bytes, bool allowSubsampled) {
    try {
        return std::make_unique<DcDecoder>(bytes, allowSubsampled)
            ->Decode(); // its tables are large for a thread's stack
    } catch (const NotHandled&) {
        return std::nullopt;
    }
}

} // namespace imaging::codecs
