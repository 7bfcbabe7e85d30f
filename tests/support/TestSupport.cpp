#include "TestSupport.h"

#include <cmath>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <sys/wait.h>
#include <fstream>
#include <limits>
#include <random>
#include <stdexcept>

#include <unistd.h>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kelvo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

int Run(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const fs::path& path) {
    std::string quoted = "'";
    for (char c : path.string()) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

namespace {
int ReadPnmNumber(const std::vector<std::uint8_t>& bytes, std::size_t& pos) {
    while (pos < bytes.size()) {
        if (bytes[pos] == '#') {
            while (pos < bytes.size() && bytes[pos] != '\n')
                ++pos;
        } else if (std::isspace(bytes[pos])) {
            ++pos;
        } else {
            break;
        }
    }
    int value = 0;
    bool any = false;
    while (pos < bytes.size() && std::isdigit(bytes[pos])) {
        value = value * 10 + (bytes[pos++] - '0');
        any = true;
    }
    if (!any) throw std::runtime_error("bad PNM header");
    return value;
}
} // namespace

imaging::Raster ReadPnm(const fs::path& path) {
    auto bytes = ReadBytes(path);
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6'))
        throw std::runtime_error("not a binary PNM: " + path.string());
    std::size_t pos = 2;
    imaging::Raster r;
    r.bands = bytes[1] == '5' ? 1 : 3;
    r.bitCount = r.bands * 8;
    r.width = ReadPnmNumber(bytes, pos);
    r.height = ReadPnmNumber(bytes, pos);
    if (ReadPnmNumber(bytes, pos) != 255) throw std::runtime_error("PNM maxval is not 255");
    ++pos; // the single whitespace after maxval
    std::size_t size = std::size_t(r.width) * r.height * r.bands;
    if (bytes.size() < pos + size) throw std::runtime_error("short PNM: " + path.string());
    r.pixels.assign(bytes.begin() + std::ptrdiff_t(pos), bytes.begin() + std::ptrdiff_t(pos + size));
    return r;
}

void WritePpm(const fs::path& path, const imaging::Raster& rgb) {
    imaging::Raster r = AsRgb(rgb);
    std::string header = "P6\n" + std::to_string(r.width) + " " + std::to_string(r.height) + "\n255\n";
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), r.pixels.begin(), r.pixels.end());
    WriteBytes(path, bytes);
}

imaging::Raster ReadWithMagick(const fs::path& path) {
    TempDir dir;
    fs::path ppm = dir / "decoded.ppm";
    std::string cmd = "convert " + Quote(path.string() + "[0]") + " -background white -alpha remove -alpha off " +
                      "-depth 8 -colorspace sRGB " + Quote("ppm:" + ppm.string()) + " 2>/dev/null";
    if (Run(cmd) != 0) throw std::runtime_error("ImageMagick cannot read " + path.string());
    return ReadPnm(ppm);
}

std::string Identify(const fs::path& path, const std::string& format) {
    std::string out;
    Run("identify -format " + Quote(format) + " " + Quote(path.string() + "[0]") + " 2>/dev/null", &out);
    return out;
}

double Psnr(const imaging::Raster& a, const imaging::Raster& b) {
    if (a.width != b.width || a.height != b.height || a.bands != b.bands || a.pixels.size() != b.pixels.size())
        return -1.0;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        double d = double(a.pixels[i]) - double(b.pixels[i]);
        sum += d * d;
    }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    double mse = sum / double(a.pixels.size());
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

imaging::Raster AsRgb(const imaging::Raster& raster) {
    if (raster.bands == 3) return raster;
    imaging::Raster r;
    r.width = raster.width;
    r.height = raster.height;
    r.bands = 3;
    r.pixels.resize(std::size_t(r.width) * r.height * 3);
    std::size_t n = std::size_t(r.width) * r.height;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = raster.pixels.data() + i * raster.bands;
        bool grey = raster.bands < 3;
        r.pixels[i * 3 + 0] = p[0];
        r.pixels[i * 3 + 1] = grey ? p[0] : p[1];
        r.pixels[i * 3 + 2] = grey ? p[0] : p[2];
    }
    return r;
}

imaging::Raster MakeGradient(int width, int height) {
    imaging::Raster r;
    r.width = width;
    r.height = height;
    r.bands = 3;
    r.pixels.resize(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double fx = width > 1 ? double(x) / (width - 1) : 0.0;
            double fy = height > 1 ? double(y) / (height - 1) : 0.0;
            std::uint8_t* p = r.Row(y) + std::size_t(x) * 3;
            p[0] = std::uint8_t(std::lround(255 * fx));
            p[1] = std::uint8_t(std::lround(255 * fy));
            p[2] = std::uint8_t(std::lround(127.5 + 127.5 * std::sin(6.0 * fx + 4.0 * fy)));
        }
    }
    return r;
}

fs::path DataDir() {
    return fs::path(KELVO_TEST_DATA);
}

} // namespace testsupport
