#include "media/speech_detector.h"

#include <algorithm>
#include <cmath>

#include "media/sound_picture.h"

namespace pelomar {
namespace {

constexpr float kDigitalSilenceDb = -85.0f;
constexpr int kLimitFrames = kRecordingLimitMs / kFrameMs;
constexpr int kEndFrames = kSpeechEndMs / kFrameMs;
constexpr int kStartFrames = kSpeechStartMs / kFrameMs;

}  // namespace

void SpeechDetector::feed(std::span<const std::int16_t> samples) {
    level_ = kSilentDb;
    for (const std::int16_t s : samples) {
        if (finished_) return;
        sum_ += static_cast<double>(s) * s;
        ++fed_;
        if (fed_ == frameStart(frame_ + 1, rate_)) endFrame();
    }
}

void SpeechDetector::endFrame() {
    const std::size_t length = frameStart(frame_ + 1, rate_) - frameStart(frame_, rate_);
    const double mean = sum_ / static_cast<double>(length) / (32768.0 * 32768.0);
    const float level = mean > 0 ? std::max(kSilentDb, static_cast<float>(10.0 * std::log10(mean))) : kSilentDb;
    sum_ = 0;
    level_ = std::max(level_, level);
    if (level > kDigitalSilenceDb) {
        noise_ = noiseKnown_ ? std::min(noise_, level) : level;
        noiseKnown_ = true;
    }
    const bool loud = noiseKnown_ && level > std::max(kSpeechFloorDb, noise_ + kSpeechAboveNoiseDb);
    loudRun_ = loud ? loudRun_ + 1 : 0;
    if (loudRun_ >= kStartFrames) {
        if (speechFrom_ < 0) speechFrom_ = frame_ - loudRun_ + 1;
        lastSpeech_ = frame_;
    }
    ++frame_;
    if (frame_ >= kLimitFrames || (speechFrom_ >= 0 && frame_ - 1 - lastSpeech_ >= kEndFrames)) {
        finished_ = true;
        endFrame_ = frame_;
    }
}

std::size_t SpeechDetector::keptSamples() const {
    if (finished_) return frameStart(endFrame_, rate_);
    return std::min(fed_, frameStart(kLimitFrames, rate_));
}

int SpeechDetector::heardMs() const { return frame_ * kFrameMs; }

}  // namespace pelomar
