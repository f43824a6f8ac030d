// Fakes for the practice's host tests: a sound output that logs what it is
// asked to play and when, a progress file in memory, and a small word bank.
#pragma once

#include <string>
#include <vector>

#include "practice/practice_session.h"

namespace pelomar::testing {

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

    std::vector<std::string> log;
    std::vector<int> voices;
    bool device = true;
    int wordMs = 600;
    int symbolMs = 900;
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
