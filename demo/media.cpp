#include "media.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace demo {
namespace {

std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".part" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// The voice and the encoder settings are part of the cache key, so changing them
// never serves files made with the old ones.
constexpr const char* kVoice = "cmn";
constexpr const char* kAudioVersion = "v1 cmn 160wpm lame64";
constexpr const char* kCoverVersion = "v1 194";
constexpr const char* kCoverFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

}  // namespace

bool RunProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double WaveSeconds(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char riff[12];
    if (!in.read(riff, 12) || std::string(riff, 4) != "RIFF" ||
        std::string(riff + 8, 4) != "WAVE") {
        return -1;
    }
    auto le32 = [](const unsigned char* p) {
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    };
    std::uint32_t byteRate = 0;
    unsigned char chunk[8];
    while (in.read(reinterpret_cast<char*>(chunk), 8)) {
        const std::string id(reinterpret_cast<char*>(chunk), 4);
        std::uint32_t size = le32(chunk + 4);
        if (id == "fmt " && size >= 16) {
            unsigned char fmt[16];
            if (!in.read(reinterpret_cast<char*>(fmt), 16)) {
                return -1;
            }
            byteRate = le32(fmt + 8);
            in.seekg(size - 16 + (size & 1), std::ios::cur);
        } else if (id == "data") {
            // espeak-ng writes to a pipe-friendly header whose data size may be
            // left at its maximum; the file's real size then counts.
            const auto here = static_cast<std::uint64_t>(in.tellg());
            in.seekg(0, std::ios::end);
            const auto available = static_cast<std::uint64_t>(in.tellg()) - here;
            const std::uint64_t bytes = std::min<std::uint64_t>(size, available);
            return byteRate == 0 ? -1 : static_cast<double>(bytes) / byteRate;
        } else {
            in.seekg(size + (size & 1), std::ios::cur);
        }
    }
    return -1;
}

MediaStore::MediaStore(std::string cacheDirectory) : directory_(std::move(cacheDirectory)) {
    std::error_code ignored;
    std::filesystem::create_directories(directory_, ignored);
}

template <typename Make>
bool MediaStore::EnsureFile(const std::string& path, Make make) {
    std::shared_ptr<std::mutex> lock;
    {
        std::lock_guard guard(mapMutex_);
        auto& slot = fileLocks_[path];
        if (!slot) {
            slot = std::make_shared<std::mutex>();
        }
        lock = slot;
    }
    std::lock_guard guard(*lock);
    if (FileExists(path)) {
        return true;
    }
    const std::string temporary = TemporaryName(path);
    const bool made = make(temporary) && FileExists(temporary) &&
                      std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!made) {
        std::remove(temporary.c_str());
    }
    return made;
}

std::string MediaStore::WaveFile(const Episode& episode) {
    const std::string path = directory_ + "/a-" +
                             Hex(Fnv1a(kAudioVersion + std::string("\n") + episode.spokenText)) +
                             ".wav";
    const bool ok = EnsureFile(path, [&](const std::string& out) {
        return RunProgram({"espeak-ng", "-v", kVoice, "-s", "160", "-w", out, episode.spokenText});
    });
    return ok ? path : std::string();
}

int MediaStore::AudioSeconds(const Episode& episode) {
    const std::string wave = WaveFile(episode);
    if (wave.empty()) {
        return -1;
    }
    {
        std::lock_guard guard(mapMutex_);
        if (auto found = seconds_.find(wave); found != seconds_.end()) {
            return found->second;
        }
    }
    const double seconds = WaveSeconds(wave);
    if (seconds < 0) {
        return -1;
    }
    const int whole = std::max(1, static_cast<int>(std::lround(seconds)));
    std::lock_guard guard(mapMutex_);
    seconds_[wave] = whole;
    return whole;
}

std::string MediaStore::AudioFile(const Episode& episode) {
    const std::string wave = WaveFile(episode);
    if (wave.empty()) {
        return {};
    }
    const std::string path = wave.substr(0, wave.size() - 4) + ".mp3";
    const bool ok = EnsureFile(path, [&](const std::string& out) {
        return RunProgram({"lame", "--quiet", "-b", "64", "-m", "m", wave, out});
    });
    return ok ? path : std::string();
}

std::string MediaStore::CoverFile(const Episode& episode) {
    const std::string key =
        kCoverVersion + std::string("\n") + episode.id + "\n" + episode.coverCaption;
    const std::uint64_t hash = Fnv1a(key);
    const std::string path = directory_ + "/c-" + Hex(hash) + ".png";
    // Two colours from the hash: every episode gets its own picture.
    char from[8], to[8];
    std::snprintf(from, sizeof from, "#%02x%02x%02x", unsigned(hash & 0x7f),
                  unsigned((hash >> 8) & 0x7f), unsigned((hash >> 16) & 0x7f) + 0x40);
    std::snprintf(to, sizeof to, "#%02x%02x%02x", unsigned((hash >> 24) & 0x7f) + 0x80,
                  unsigned((hash >> 32) & 0x7f) + 0x80, unsigned((hash >> 40) & 0x7f) + 0x80);
    const bool ok = EnsureFile(path, [&](const std::string& out) {
        std::vector<std::string> argv = {"convert", "-size", "194x194",
                                         std::string("gradient:") + from + "-" + to};
        if (FileExists(kCoverFont)) {
            argv.insert(argv.end(), {"-font", kCoverFont});
        }
        argv.insert(argv.end(),
                    {"-fill", "white", "-gravity", "center", "-pointsize", "30", "-annotate", "0",
                     episode.coverCaption, "-depth", "8", "PNG24:" + out});
        return RunProgram(argv);
    });
    return ok ? path : std::string();
}

void MediaStore::Prepare(const std::vector<Episode>& episodes) {
    for (const auto& episode : episodes) {
        AudioSeconds(episode);
        CoverFile(episode);
    }
    for (const auto& episode : episodes) {
        AudioFile(episode);
    }
}

}  // namespace demo
