#pragma once
// Building small file trees for the path and walk tests.
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sourcestest {

namespace fs = std::filesystem;

inline void MakeFile(const fs::path& path, const std::string& content = "x") {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline void MakeFifo(const fs::path& path) {
    if (mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed: " + path.string());
}

// A bound unix socket; the file stays after the descriptor is closed.
inline void MakeSocket(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long: " + text);
    text.copy(address.sun_path, text.size());
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    int result = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    close(fd);
    if (result != 0) throw std::runtime_error("bind failed: " + text);
}

inline unsigned ModeOf(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) throw std::runtime_error("stat failed: " + path.string());
    return info.st_mode & 07777;
}

// Changes the working directory for the life of the object.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& path) : saved_(fs::current_path()) { fs::current_path(path); }
    ~WorkingDirectory() {
        std::error_code error;
        fs::current_path(saved_, error);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    fs::path saved_;
};

} // namespace sourcestest
