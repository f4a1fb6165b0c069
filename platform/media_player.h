#pragma once

// The one media player the program drives: it plays one audio URL at a time and
// reports its state in the units the player logic expects.

#include <cstdint>
#include <memory>
#include <string_view>

namespace cq::platform {

class MediaPlayer {
public:
    // What State() reports.
    static constexpr int kStateOther = 0;  // nothing open, loading, or failed
    static constexpr int kStatePlaying = 1;
    static constexpr int kStateStopped = 2;  // opened but not started, stopped, or ended
    static constexpr int kStatePaused = 3;

    virtual ~MediaPlayer() = default;

    // Closes whatever was open, then opens the URL (UTF-8) without starting it.
    // Returns when the media is loaded or has failed, so the length is known right
    // after. Only http and https URLs can be opened.
    virtual bool Open(std::string_view url) = 0;

    // Plays from startMs milliseconds, or from the current position with -1 (the
    // start right after Open, or where a pause left off). Also makes the next
    // PauseResume pause.
    virtual bool Play(std::int64_t startMs = -1) = 0;

    // Pauses on one call and resumes on the next, alternately.
    virtual bool PauseResume() = 0;

    // Stops and rewinds to the start; the media stays open.
    virtual bool Stop() = 0;

    // Releases the opened media.
    virtual bool Close() = 0;

    // kStatePlaying, kStateStopped, kStatePaused or kStateOther.
    virtual int State() = 0;

    // Current position in milliseconds; -1 when nothing is open. Once the media has
    // ended, or its stream broke off, this is the full length, so that the episode
    // counts as played to its end.
    virtual std::int64_t PositionMs() = 0;

    // Length in whole seconds (milliseconds / 1000, truncated); 0 when unknown.
    virtual std::int64_t LengthSeconds() = 0;

    // Playback speed, 1.0 being normal; the pitch of voices stays as it is. It
    // holds for every media opened afterwards, until it is set again. Positions
    // and lengths stay in media time. False when the speed cannot be set.
    virtual bool SetSpeed(double speed) = 0;
    virtual double Speed() = 0;

    // Volume from 0 (silent) to 1 (full); values outside are taken as the nearer
    // end. It holds for every media opened afterwards.
    virtual bool SetVolume(double volume) = 0;
    virtual double Volume() = 0;
};

}  // namespace cq::platform
