#include "imaging/codecs/VipsRows.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "imaging/Error.h"
#include "imaging/Stop.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging::codecs {

namespace {

constexpr const char* kDomain = "kelvo";

constexpr const char* kVerdictPrefix = "kelvo-decode-";

// A decode's verdict: set once it fails.
struct Verdict {
    std::mutex mutex;
    std::optional<Error> failed;
};

struct Producing {
    std::mutex mutex;
    std::unique_ptr<RowProducer> producer;
    int width = 0;
    int pixelBytes = 0;
    int next = 0; // the first row not produced yet
    std::optional<Error> failed;
    std::shared_ptr<Verdict> verdict = std::make_shared<Verdict>();
    std::string source;                // the file the pixels come from
    StopToken stop;                    // the work the picture was decoded for
    std::vector<std::uint8_t> scratch; // rows for a request narrower than the picture
};

void Record(Producing& p, Error error) {
    if (error.file().empty() && !p.source.empty()) error = error.WithFile(p.source);
    p.failed = error;
    p.producer.reset(); // let go of the decoder and its file at once
    std::lock_guard lock(p.verdict->mutex);
    p.verdict->failed = std::move(error);
}

int FreeVerdict(void* data, void*) {
    delete static_cast<std::shared_ptr<Verdict>*>(data);
    return 0;
}

int Fail(const Error& error) {
    vips_error(kDomain, "%s", VipsMessageFor(error).c_str());
    return -1;
}

int ProduceRegion(VipsRegion* out, void*, void* a, void*, gboolean*) {
    auto* p = static_cast<Producing*>(a);
    std::lock_guard lock(p->mutex);
    if (p->failed) return Fail(*p->failed);
    if (p->stop.Requested()) {
        Record(*p, Error({}, "the work was called off", Problem::Stopped));
        return Fail(*p->failed);
    }
    const VipsRect& r = out->valid;
    if (r.top != p->next)
        return Fail(Error(
            {}, "rows asked for out of order (" + std::to_string(r.top) + " after " + std::to_string(p->next) + ")",
            Problem::Other));
    const bool whole = r.left == 0 && r.width == p->width;
    const std::size_t rowBytes = std::size_t(p->width) * std::size_t(p->pixelBytes);
    if (!whole) p->scratch.resize(rowBytes * std::size_t(r.height));
    std::vector<std::uint8_t*> rows(std::size_t(r.height));
    for (int i = 0; i < r.height; ++i)
        rows[std::size_t(i)] =
            whole ? VIPS_REGION_ADDR(out, 0, r.top + i) : p->scratch.data() + rowBytes * std::size_t(i);
    try {
        p->producer->Produce(r.top, r.height, rows.data());
    } catch (const Error& error) {
        Record(*p, error);
        return Fail(error);
    } catch (const std::bad_alloc&) {
        Record(*p, Error({}, "not enough memory", Problem::NoMemory));
        return Fail(*p->failed);
    }
    p->next = r.top + r.height;
    if (!whole) {
        const std::size_t offset = std::size_t(r.left) * std::size_t(p->pixelBytes);
        const std::size_t bytes = std::size_t(r.width) * std::size_t(p->pixelBytes);
        for (int i = 0; i < r.height; ++i)
            std::memcpy(VIPS_REGION_ADDR(out, r.left, r.top + i), rows[std::size_t(i)] + offset, bytes);
    }
    return 0;
}

struct Whole {
    std::mutex mutex;
    vips::VImage source;
    VipsImage* done = nullptr; // the computed picture, once there is one
    std::string failure;       // libvips' account of the computation that failed
    bool tried = false;

    ~Whole() {
        if (done) g_object_unref(done);
    }
};

// Pictures larger than this are computed into a temporary file rather than memory (libvips' own threshold).
constexpr std::uint64_t kMemoryBytes = 100ULL << 20;

void* StartWhole(VipsImage*, void* a, void*) {
    auto* w = static_cast<Whole*>(a);
    std::lock_guard lock(w->mutex);
    if (!w->tried) {
        w->tried = true;
        const std::uint64_t bytes = VIPS_IMAGE_SIZEOF_IMAGE(w->source.get_image());
        VipsImage* target = bytes > kMemoryBytes ? vips_image_new_temp_file("%s.v") : vips_image_new_memory();
        if (target && vips_image_write(w->source.get_image(), target) == 0 && vips_image_pio_input(target) == 0) {
            try {
                CheckDecodes(w->source);
                w->done = target;
            } catch (const Error& error) {
                w->failure = VipsMessageFor(error);
                g_object_unref(target);
            }
        } else {
            w->failure = vips_error_buffer();
            vips_error_clear();
            if (target) g_object_unref(target);
        }
        w->source = vips::VImage(); // its decoder and file are no longer needed either way
    }
    if (!w->done) {
        vips_error(kDomain, "%s", w->failure.empty() ? "the picture could not be computed" : w->failure.c_str());
        return nullptr;
    }
    return vips_region_new(w->done);
}

int GenerateWhole(VipsRegion* out, void* seq, void*, void*, gboolean*) {
    auto* in = static_cast<VipsRegion*>(seq);
    return vips_region_prepare_to(in, out, &out->valid, out->valid.left, out->valid.top);
}

int StopWhole(void* seq, void*, void*) {
    g_object_unref(static_cast<VipsRegion*>(seq));
    return 0;
}

// Rows of an image libvips computes, asked for in the calling thread. A region serves one call only: a region
// belongs to the thread that made it, and the calls come from whichever thread libvips runs.
class RegionRows : public RowProducer {
public:
    RegionRows(vips::VImage in, std::function<Error(const Error&)> explain, bool quiet)
        : in_(std::move(in)), explain_(std::move(explain)), quiet_(quiet) {}

    void Produce(int y, int count, std::uint8_t* const* rows) override {
        VipsRegion* region = vips_region_new(in_.get_image());
        VipsRect area{0, y, in_.width(), count};
        std::optional<QuietStderr> quiet;
        if (quiet_) quiet.emplace();
        const bool ready = region && vips_region_prepare(region, &area) == 0;
        quiet.reset();
        if (!ready) {
            if (region) g_object_unref(region);
            try {
                FailFromVips(vips::VError());
            } catch (const Error& error) {
                if (explain_) throw explain_(error);
                throw;
            }
        }
        const std::size_t bytes = VIPS_IMAGE_SIZEOF_LINE(in_.get_image());
        for (int i = 0; i < count; ++i)
            std::memcpy(rows[i], VIPS_REGION_ADDR(region, 0, y + i), bytes);
        g_object_unref(region);
    }

private:
    vips::VImage in_;
    std::function<Error(const Error&)> explain_;
    bool quiet_;
};

std::mutex quietMutex;
int quietHolders = 0;
int savedStderr = -1;

template <class T> void Delete(void* p) {
    delete static_cast<T*>(p);
}

// A new image whose state `owned` lives as long as the image does.
template <class T> VipsImage* NewOwning(T* owned) {
    VipsImage* image = vips_image_new();
    g_object_set_data_full(G_OBJECT(image), "kelvo-state", owned, Delete<T>);
    return image;
}

} // namespace

vips::VImage SequentialImage(const vips::VImage& like, std::unique_ptr<RowProducer> producer,
                             const std::string& source) {
    auto* p = new Producing;
    p->source = source;
    p->stop = CurrentStopToken();
    p->producer = std::move(producer);
    p->width = like.width();
    p->pixelBytes = int(VIPS_IMAGE_SIZEOF_PEL(like.get_image()));
    VipsImage* image = NewOwning(p);
    VipsImage* sequential = nullptr;
    if (vips_image_pipelinev(image, VIPS_DEMAND_STYLE_FATSTRIP, like.get_image(), nullptr) ||
        vips_image_generate(image, nullptr, ProduceRegion, nullptr, p, nullptr) ||
        vips_sequential(image, &sequential, "tile_height", 16, nullptr)) {
        g_object_unref(image);
        throw vips::VError();
    }
    g_object_unref(image);
    static std::atomic<std::uint64_t> serial{0};
    const std::string name = kVerdictPrefix + std::to_string(++serial);
    vips_image_set_area(sequential, name.c_str(), FreeVerdict, new std::shared_ptr<Verdict>(p->verdict));
    return vips::VImage(sequential);
}

void FailComputing(const vips::VImage& image) {
    vips::VError error;
    CheckDecodes(image);
    FailFromVips(error);
}

void CheckDecodes(const vips::VImage& image) {
    gchar** names = vips_image_get_fields(image.get_image());
    std::optional<Error> failed;
    for (gchar** name = names; *name && !failed; ++name) {
        if (std::strncmp(*name, kVerdictPrefix, std::strlen(kVerdictPrefix)) != 0) continue;
        const void* data = nullptr;
        if (vips_image_get_area(image.get_image(), *name, &data) != 0 || !data) {
            vips_error_clear();
            continue;
        }
        const auto& verdict = *static_cast<const std::shared_ptr<Verdict>*>(data);
        std::lock_guard lock(verdict->mutex);
        failed = verdict->failed;
    }
    g_strfreev(names);
    if (failed) throw *failed;
}

vips::VImage WholeOnDemand(const vips::VImage& sequential) {
    auto* w = new Whole;
    w->source = sequential;
    VipsImage* image = NewOwning(w);
    if (vips_image_pipelinev(image, VIPS_DEMAND_STYLE_ANY, sequential.get_image(), nullptr) ||
        vips_image_generate(image, StartWhole, GenerateWhole, StopWhole, w, nullptr)) {
        g_object_unref(image);
        throw vips::VError();
    }
    return vips::VImage(image);
}

std::string VipsMessageFor(const Error& error) {
    return "kelvo[" + std::to_string(int(error.problem())) + "]: " + error.cause();
}

QuietStderr::QuietStderr() {
    std::lock_guard lock(quietMutex);
    if (quietHolders++ > 0) return;
    std::fflush(stderr);
    savedStderr = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (savedStderr >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
}

QuietStderr::~QuietStderr() {
    std::lock_guard lock(quietMutex);
    if (--quietHolders > 0) return;
    std::fflush(stderr);
    if (savedStderr >= 0) {
        ::dup2(savedStderr, STDERR_FILENO);
        ::close(savedStderr);
        savedStderr = -1;
    }
}

vips::VImage Watched(const vips::VImage& loaded, const std::string& source, bool anyOrder,
                     std::function<Error(const Error&)> explain, bool quiet) {
    vips::VImage rows =
        SequentialImage(loaded, std::make_unique<RegionRows>(loaded, std::move(explain), quiet), source);
    return anyOrder ? WholeOnDemand(rows) : rows;
}

} // namespace imaging::codecs
