// When a learner has finished speaking, told from the samples as they come
// in: a recording lasts at most 3 seconds and ends by itself 600 ms after
// the speech stops. Speech is 30 ms or more of frames louder than both
// -55 dB and 12 dB above the quietest frame so far that is not digital
// silence, so a key's click or the room's hum does not start it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelomar {

inline constexpr int kRecordingLimitMs = 3000;
inline constexpr int kSpeechEndMs = 600;
inline constexpr int kSpeechStartMs = 30;
inline constexpr float kSpeechFloorDb = -55.0f;
inline constexpr float kSpeechAboveNoiseDb = 12.0f;

class SpeechDetector {
public:
    explicit SpeechDetector(int rate) : rate_(rate) {}

    // The next samples of the recording; those after the end are not looked at.
    void feed(std::span<const std::int16_t> samples);

    bool speechHeard() const { return speechFrom_ >= 0; }
    // 600 ms after the speech stopped, or at the limit.
    bool finished() const { return finished_; }
    // The samples the recording keeps: up to the end once finished, else all
    // those fed, never more than the limit.
    std::size_t keptSamples() const;
    // The loudest whole frame of the last feed in dB below full scale (-90
    // for none), for the level meter.
    float level() const { return level_; }
    int heardMs() const;  // whole frames so far, in ms

private:
    void endFrame();

    const int rate_;
    std::size_t fed_ = 0;       // samples looked at
    int frame_ = 0;             // the frame being filled
    double sum_ = 0;            // its samples' squares so far
    float noise_ = 0;           // the quietest frame that is not digital silence
    bool noiseKnown_ = false;
    int loudRun_ = 0;           // speech frames in a row, up to the last
    int speechFrom_ = -1;       // the first frame of the speech, once heard
    int lastSpeech_ = -1;
    bool finished_ = false;
    int endFrame_ = 0;          // the frame after the last one kept
    float level_ = -90.0f;
};

}  // namespace pelomar
