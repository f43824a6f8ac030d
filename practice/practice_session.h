// The practice window's behaviour, without the window: rounds of questions,
// the answers and what follows them, the sounds and when they play, the
// pages, and when the progress is saved; and saying it: when a take of the
// microphone begins and ends, what it is compared with, the comparison's
// sounds and its rating. Every event comes with the time in milliseconds;
// what is due later is reported by deadline() and done by tick(); the
// microphone's news comes through takeStarted, takeLevel and takeEnded.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "media/sound_recorder.h"
#include "practice/progress_store.h"
#include "practice/question_picker.h"
#include "practice/say_model.h"

namespace pelomar {

inline constexpr int kRoundLength = 20;
inline constexpr int kNextAfterRightMs = 1000;
// Between the sounds that follow a wrong answer.
inline constexpr int kSequenceGapMs = 300;
inline constexpr int kSaveIntervalMs = 1000;
// Symbols named at the end of a round, the most missed first.
inline constexpr int kMissedShown = 4;

// What the practice plays. The lengths let the sounds after a wrong answer
// follow one another.
class PracticeSound {
public:
    virtual ~PracticeSound() = default;
    // Every sound stops, and a group reading on the chart ends.
    virtual void stopEverything() = 0;
    virtual bool outputAvailable() = 0;
    // Each starts a sound and returns its length in ms, or -1 when nothing
    // could be started.
    virtual int playWord(int word, int voice) = 0;
    virtual int playSlowWord(int word) = 0;
    virtual int playSymbol(int n) = 0;
    // 16-bit mono samples at `rate`: a model or the learner's recording.
    virtual int playSamples(std::span<const std::int16_t> samples, int rate) = 0;
};

// The microphone, opened only for a take the learner asks for.
class PracticeMicrophone {
public:
    virtual ~PracticeMicrophone() = default;
    // Begins a take; false when none could begin.
    virtual bool record() = 0;
    // Ends the take now, keeping what it has heard.
    virtual void finish() = 0;
    // Ends the take and drops it.
    virtual void cancel() = 0;
};

enum class PracticePage {
    Questions,
    Progress,
    Compare,  // the learner's attempt beside its model
};

// A take of the learner, shown on the page it was begun from.
enum class TakeState { None, Preparing, Recording };
// Why the last take gave nothing to compare.
enum class TakeTrouble { None, NoMicrophone, MicrophoneBusy, NothingHeard };

// The learner's last attempt at a symbol, kept in memory while the window is
// open and never written anywhere.
struct Attempt {
    SayModel model;
    std::vector<std::int16_t> recording;  // at kCaptureRate
    SampleSpan played;                    // the part of it played back: its speech with some air
    SoundPicture learner;
    SoundPicture modelPicture;
    int rating = -1;  // -1 not rated, 1 像, 0 还不像
};

// Between the sounds of a comparison: the model, the learner, the model.
inline constexpr int kCompareGapMs = 400;

enum class QuestionState {
    Asking,     // the word was played; 1 to 4 answer
    Right,      // the next question follows by itself
    Wrong,      // word, right symbol, chosen symbol; then the learner goes on
    RoundOver,  // the round's result; Enter starts another
    NoSound,    // no output device: nothing is asked or counted
};

enum class PracticeKey { None, Answer1, Answer2, Answer3, Answer4, Replay, Slow, Enter, Record, PlayBack };

// Virtual-key codes of the keys the practice answers to.
inline constexpr unsigned kKeyReturn = 0x0D;    // VK_RETURN
inline constexpr unsigned kKeySpace = 0x20;     // VK_SPACE
inline constexpr unsigned kKeyNumpad1 = 0x61;   // VK_NUMPAD1
// 1 to 4 on either row of digits, Space, S, Enter, R and P; None for the rest.
PracticeKey practiceKeyFor(unsigned virtualKey);

// Things of the window a click can land on.
enum class Target {
    None, SetButton, Candidate, Replay, Slow, Next, Again, Progress, Back, Clear, Cell,
    SayIt, PlayBack, Rate,  // Rate: index 1 像, 0 还不像
};
struct Hit {
    Target target = Target::None;
    int index = 0;  // the set, the candidate (0-based) or the symbol (1..48)
};
bool operator==(const Hit& a, const Hit& b);

struct MissedSymbol {
    int symbol;
    int misses;
};

class PracticeSession {
public:
    PracticeSession(const WordBank& bank, ProgressBook& book, ProgressStore& store, PracticeSound& sound,
                    PracticeMicrophone& microphone, Random& random);

    // The window opened: the progress is read and a round of the set
    // practised last begins.
    void open(std::int64_t now);
    // The window closes: the sounds after an answer are cut and the
    // progress saved.
    void close(std::int64_t now);

    void key(PracticeKey key, std::int64_t now);
    // True when the click asks to clear the records: the window asks the
    // learner, then calls clearRecords.
    bool click(const Hit& hit, std::int64_t now);
    void clearRecords(std::int64_t now);
    // The chart played a sound (a hover): the sounds after a wrong answer stop.
    void chartSoundStarted();

    // The microphone's news about the take: it records; its level now; how it
    // ended, with the recording when it heard speech.
    void takeStarted();
    void takeLevel(float levelDb) { takeLevel_ = levelDb; }
    void takeEnded(RecordingPhase ending, Recording recording, std::int64_t now);
    // The pointer is over this; true when that changes what is drawn.
    bool hover(const Hit& hit);

    // When tick() has something to do next; nothing when it does not.
    std::optional<std::int64_t> deadline() const;
    void tick(std::int64_t now);

    // What the window shows.
    PracticePage page() const { return page_; }
    QuestionState state() const { return state_; }
    PracticeSet set() const { return book_.lastSet(); }
    const std::optional<Question>& question() const { return question_; }
    int chosen() const { return chosen_; }  // the candidate answered, -1 before
    int roundAsked() const { return roundAsked_; }
    int roundRight() const { return roundRight_; }
    std::vector<MissedSymbol> missedMost() const;
    const Hit& hovered() const { return hovered_; }
    const ProgressBook& book() const { return book_; }
    const WordBank& bank() const { return bank_; }
    bool inMemoryOnly() const { return store_.inMemoryOnly(); }
    // Saying it: the take under way, its level, why the last one failed; the
    // symbol chosen on the progress page (0 for none); the attempt compared
    // now, and the last one of each symbol.
    TakeState take() const { return take_; }
    float takeLevel() const { return takeLevel_; }
    TakeTrouble trouble() const { return trouble_; }
    int chosenSymbol() const { return chosenSymbol_; }
    const Attempt* compared() const { return attemptOf(comparedSymbol_); }
    const Attempt* attemptOf(int symbol) const;
    // The model a take would be set against now; none where R does nothing.
    std::optional<SayModel> sayModel() const;
    PracticePage comparedFrom() const { return comparedFrom_; }

private:
    void startRound(std::int64_t now);
    void startQuestion(std::int64_t now);
    void answer(int index, std::int64_t now);
    void goOn(std::int64_t now);
    void replay(bool slow);
    void playStep(std::int64_t now);
    void cutSequence() { sequence_.clear(); }
    void sayIt();
    void cancelTake();
    void compare(int symbol, std::int64_t now);
    // The model's samples and picture, made once for the model in use.
    const PcmSound& modelSamples(const SayModel& model);
    const SoundPicture& modelPicture(const SayModel& model);
    void playComparison(std::int64_t now);
    void rate(bool alike, std::int64_t now);
    void leaveComparison(std::int64_t now);
    bool compareKey(PracticeKey key, std::int64_t now);
    void wantSave(std::int64_t now);
    void save(std::int64_t now);
    void showPage(PracticePage page, std::int64_t now);

    const WordBank& bank_;
    ProgressBook& book_;
    ProgressStore& store_;
    PracticeSound& sound_;
    PracticeMicrophone& microphone_;
    Random& random_;
    QuestionPicker picker_;

    PracticePage page_ = PracticePage::Questions;
    QuestionState state_ = QuestionState::RoundOver;
    std::optional<Question> question_;
    int voice_ = 0;
    int chosen_ = -1;
    int roundAsked_ = 0;
    int roundRight_ = 0;
    std::array<int, kSymbolCount> roundMisses_{};
    Hit hovered_;

    std::optional<std::int64_t> nextAt_;  // the next question, after a right answer

    // Saying it.
    TakeState take_ = TakeState::None;
    SayModel takeModel_;
    PracticePage takeFrom_ = PracticePage::Questions;
    float takeLevel_ = -90.0f;
    TakeTrouble trouble_ = TakeTrouble::None;
    int chosenSymbol_ = 0;
    int comparedSymbol_ = 0;
    PracticePage comparedFrom_ = PracticePage::Questions;
    std::array<std::unique_ptr<Attempt>, kSymbolCount> attempts_;
    struct ModelMade {
        SayModel model;
        PcmSound sound;
        std::optional<SoundPicture> picture;
    };
    std::optional<ModelMade> model_;

    // The sounds after a wrong answer, or of a comparison: what plays next,
    // and when.
    enum class Step { Word, RightSymbol, ChosenSymbol, Model, Learner };
    std::vector<Step> sequence_;
    std::int64_t stepAt_ = 0;

    std::optional<std::int64_t> saveAt_;
    std::optional<std::int64_t> lastSave_;
};

}  // namespace pelomar
