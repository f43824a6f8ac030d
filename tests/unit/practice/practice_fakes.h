// Fakes for the practice's host tests: a sound output that logs what it is
// asked to play and when, a progress file in memory, and a small word bank.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "practice/practice_session.h"

namespace pelomar::testing {

// Every embedded word, built once for all the tests.
inline const WordBank& embeddedBank() {
    static const WordBank built = embeddedWordBank();
    return built;
}

class LoggedSound final : public PracticeSound {
public:
    void stopEverything() override { log.push_back("stop"); }
    bool outputAvailable() override { return device; }
    int playWord(int word, int voice) override {
        log.push_back("word " + std::to_string(word) + " voice " + std::to_string(voice));
        voices.push_back(voice);
        return wordMs;
    }
    int playSlowWord(int word) override {
        log.push_back("slow " + std::to_string(word));
        return wordMs * 2;
    }
    int playSymbol(int n) override {
        log.push_back("symbol " + std::to_string(n));
        return symbolMs;
    }
    int playSamples(std::span<const std::int16_t> samples, int rate) override {
        log.push_back("samples " + std::to_string(samples.size()) + " at " + std::to_string(rate));
        played.emplace_back(samples.begin(), samples.end());
        return static_cast<int>(samples.size() * 1000 / static_cast<std::size_t>(rate));
    }

    std::vector<std::string> log;
    std::vector<std::vector<std::int16_t>> played;  // by playSamples
    std::vector<int> voices;
    bool device = true;
    int wordMs = 600;
    int symbolMs = 900;
};

// A microphone that notes what it is asked; the test plays the recorder's
// part and tells the session how a take went.
class LoggedMicrophone final : public PracticeMicrophone {
public:
    bool record() override {
        ++records;
        return !busy;
    }
    void finish() override { ++finishes; }
    void cancel() override { ++cancels; }

    bool busy = false;  // the last take still ending
    int records = 0;
    int finishes = 0;
    int cancels = 0;
};

class MemoryProgressFile final : public ProgressFile {
public:
    SettingsText readText() override {
        ++reads;
        return text;
    }
    SaveResult writeText(std::string_view bytes) override {
        ++writes;
        if (refuseWrites) return SaveResult::NotSaved;
        text = {SettingsText::State::Present, std::string(bytes)};
        return SaveResult::Saved;
    }
    bool setAside() override {
        if (!renameWorks) return false;
        setAsideText = text.bytes;
        text = {};
        return true;
    }

    SettingsText text;  // Missing until written
    std::string setAsideText;
    bool renameWorks = true;
    bool refuseWrites = false;
    int reads = 0;
    int writes = 0;
};

}  // namespace pelomar::testing
