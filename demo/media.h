#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "episodes.h"

namespace demo {

// Spoken audio (espeak-ng, Mandarin voice, encoded by lame) and cover pictures
// (ImageMagick) for the episodes, made on first use and kept in a cache directory
// that outlives the process, so later starts are quick. Files appear there only
// complete (written aside, then renamed), so several services may share the cache.
class MediaStore {
public:
    explicit MediaStore(std::string cacheDirectory);

    // Length of the episode's audio in whole seconds (rounded, at least 1); -1 when
    // the audio could not be made.
    int AudioSeconds(const Episode& episode);

    // Path of the episode's MP3 file; empty when it could not be made.
    std::string AudioFile(const Episode& episode);

    // Path of the episode's 194x194 PNG cover; empty when it could not be made.
    std::string CoverFile(const Episode& episode);

    // Makes everything the episodes need, for a background thread at start.
    void Prepare(const std::vector<Episode>& episodes);

    const std::string& CacheDirectory() const { return directory_; }

private:
    std::string WaveFile(const Episode& episode);
    // Runs make(temporaryPath) once per path unless the file already exists; true
    // when the file exists afterwards.
    template <typename Make>
    bool EnsureFile(const std::string& path, Make make);

    std::string directory_;
    std::mutex mapMutex_;
    std::map<std::string, std::shared_ptr<std::mutex>> fileLocks_;
    std::map<std::string, int> seconds_;
};

// Runs a program with arguments (no shell), output discarded; true on exit code 0.
bool RunProgram(const std::vector<std::string>& argv);

// Length in seconds of a PCM WAV file; negative when it is not one.
double WaveSeconds(const std::string& path);

}  // namespace demo
