#include "practice/practice_session.h"

#include <algorithm>

#include "media/words.h"

namespace pelomar {

bool operator==(const Hit& a, const Hit& b) { return a.target == b.target && a.index == b.index; }

PracticeKey practiceKeyFor(unsigned vk) {
    const auto answer = [](unsigned i) { return static_cast<PracticeKey>(static_cast<unsigned>(PracticeKey::Answer1) + i); };
    if (vk >= '1' && vk <= '4') return answer(vk - '1');
    if (vk >= kKeyNumpad1 && vk < kKeyNumpad1 + 4) return answer(vk - kKeyNumpad1);
    if (vk == kKeySpace) return PracticeKey::Replay;
    if (vk == 'S') return PracticeKey::Slow;
    if (vk == 'R') return PracticeKey::Record;
    if (vk == 'P') return PracticeKey::PlayBack;
    if (vk == kKeyReturn) return PracticeKey::Enter;
    return PracticeKey::None;
}

PracticeSession::PracticeSession(const WordBank& bank, ProgressBook& book, ProgressStore& store,
                                 PracticeSound& sound, PracticeMicrophone& microphone, Random& random)
    : bank_(bank), book_(book), store_(store), sound_(sound), microphone_(microphone), random_(random), picker_(bank) {}

void PracticeSession::open(std::int64_t now) {
    store_.load(book_);
    page_ = PracticePage::Questions;
    startRound(now);
}

void PracticeSession::close(std::int64_t now) {
    cancelTake();
    cutSequence();
    nextAt_.reset();
    save(now);
}

void PracticeSession::startRound(std::int64_t now) {
    roundAsked_ = 0;
    roundRight_ = 0;
    roundMisses_ = {};
    startQuestion(now);
}

// A question stops whatever plays, then plays its word in a voice of chance.
void PracticeSession::startQuestion(std::int64_t now) {
    cutSequence();
    nextAt_.reset();
    chosen_ = -1;
    trouble_ = TakeTrouble::None;
    sound_.stopEverything();
    if (!sound_.outputAvailable()) {
        question_.reset();
        state_ = QuestionState::NoSound;
        return;
    }
    question_ = picker_.next(book_.lastSet(), book_, random_);
    if (!question_) {
        state_ = QuestionState::RoundOver;
        return;
    }
    state_ = QuestionState::Asking;
    voice_ = random_.below(kWordVoices);
    sound_.playWord(question_->word.word, voice_);
    (void)now;
}

void PracticeSession::answer(int index, std::int64_t now) {
    if (state_ != QuestionState::Asking || !question_ || index < 0 || index >= question_->candidates.count) return;
    const bool right = index == question_->candidates.right;
    chosen_ = index;
    ++roundAsked_;
    if (right) ++roundRight_;
    else ++roundMisses_[question_->symbol() - 1];
    book_.recordAnswer(question_->symbol(), right);
    picker_.answered(*question_, right);
    wantSave(now);
    if (right) {
        state_ = QuestionState::Right;
        nextAt_ = now + kNextAfterRightMs;
        return;
    }
    state_ = QuestionState::Wrong;
    sound_.stopEverything();
    sequence_ = {Step::Word, Step::RightSymbol, Step::ChosenSymbol};
    playStep(now);
}

// One sound of the sequence after a wrong answer; the next follows this
// one's end.
void PracticeSession::playStep(std::int64_t now) {
    if (sequence_.empty()) return;
    const Step step = sequence_.front();
    sequence_.erase(sequence_.begin());
    if (!question_ && (step == Step::Word || step == Step::RightSymbol || step == Step::ChosenSymbol)) return;
    const Candidates& c = question_ ? question_->candidates : Candidates{};
    const Attempt* attempt = compared();
    int length = -1;
    int gap = kSequenceGapMs;
    switch (step) {
    case Step::Word:
        length = sound_.playWord(question_->word.word, voice_);
        break;
    case Step::RightSymbol:
        length = sound_.playSymbol(c.symbols[c.right]);
        break;
    case Step::ChosenSymbol:
        length = sound_.playSymbol(c.symbols[chosen_]);
        break;
    case Step::Model:
        if (attempt) {
            const PcmSound& model = modelSamples(attempt->model);
            length = sound_.playSamples(model.samples, model.rate);
        }
        gap = kCompareGapMs;
        break;
    case Step::Learner:
        if (attempt)
            length = sound_.playSamples(
                std::span(attempt->recording).subspan(attempt->played.begin, attempt->played.size()), kCaptureRate);
        gap = kCompareGapMs;
        break;
    }
    stepAt_ = now + std::max(length, 0) + gap;
}

void PracticeSession::goOn(std::int64_t now) {
    if (roundAsked_ >= kRoundLength) {
        cutSequence();
        nextAt_.reset();
        sound_.stopEverything();
        state_ = QuestionState::RoundOver;
        return;
    }
    startQuestion(now);
}

void PracticeSession::replay(bool slow) {
    if (!question_) return;
    cutSequence();
    sound_.stopEverything();
    if (slow) {
        sound_.playSlowWord(question_->word.word);
        return;
    }
    // Another voice than the one heard last.
    if (kWordVoices > 1) voice_ = (voice_ + 1 + random_.below(kWordVoices - 1)) % kWordVoices;
    sound_.playWord(question_->word.word, voice_);
}

void PracticeSession::key(PracticeKey key, std::int64_t now) {
    if (key == PracticeKey::Record) {
        sayIt();
        return;
    }
    // Anything else the learner does ends a take: it would play into it, or
    // leave what it was for.
    cancelTake();
    if (page_ == PracticePage::Compare) {
        compareKey(key, now);
        return;
    }
    if (key == PracticeKey::PlayBack) {
        if (page_ == PracticePage::Progress && attemptOf(chosenSymbol_)) {
            comparedFrom_ = PracticePage::Progress;
            compare(chosenSymbol_, now);
        }
        return;
    }
    if (page_ != PracticePage::Questions) return;
    switch (state_) {
    case QuestionState::Asking:
        if (key >= PracticeKey::Answer1 && key <= PracticeKey::Answer4)
            answer(static_cast<int>(key) - static_cast<int>(PracticeKey::Answer1), now);
        else if (key == PracticeKey::Replay)
            replay(false);
        else if (key == PracticeKey::Slow)
            replay(true);
        break;
    case QuestionState::Right:
    case QuestionState::Wrong:
        if (key == PracticeKey::Enter || key == PracticeKey::Replay) goOn(now);
        else if (key == PracticeKey::Slow && state_ == QuestionState::Wrong) replay(true);
        break;
    case QuestionState::RoundOver:
        if (key == PracticeKey::Enter) startRound(now);
        break;
    case QuestionState::NoSound:
        if (key == PracticeKey::Enter) startQuestion(now);
        break;
    }
}

bool PracticeSession::click(const Hit& hit, std::int64_t now) {
    if (hit.target != Target::SayIt && hit.target != Target::None) cancelTake();
    switch (hit.target) {
    case Target::SetButton: {
        const PracticeSet set = practiceSets()[std::clamp(hit.index, 0, kPracticeSetCount - 1)].set;
        if (set != book_.lastSet()) picker_.forgetReturns();
        book_.setLastSet(set);
        page_ = PracticePage::Questions;
        startRound(now);
        break;
    }
    case Target::Candidate:
        if (page_ == PracticePage::Questions) answer(hit.index, now);
        break;
    case Target::Replay:
        key(PracticeKey::Replay, now);
        break;
    case Target::Slow:
        key(PracticeKey::Slow, now);
        break;
    case Target::Next:
    case Target::Again:
        key(PracticeKey::Enter, now);
        break;
    case Target::Progress:
        showPage(PracticePage::Progress, now);
        break;
    case Target::Back:
        showPage(PracticePage::Questions, now);
        break;
    case Target::Clear:
        return page_ == PracticePage::Progress;
    case Target::Cell:
        if (page_ == PracticePage::Progress) chosenSymbol_ = std::clamp(hit.index, 1, kSymbolCount);
        break;
    case Target::SayIt:
        sayIt();
        break;
    case Target::PlayBack:
        key(PracticeKey::PlayBack, now);
        break;
    case Target::Rate:
        if (page_ == PracticePage::Compare) rate(hit.index == 1, now);
        break;
    case Target::None:
        break;
    }
    return false;
}

// Leaving the questions ends what follows an answer; coming back goes on
// with the next question, or plays the unanswered one's word again.
void PracticeSession::showPage(PracticePage page, std::int64_t now) {
    if (page == page_) return;
    trouble_ = TakeTrouble::None;
    page_ = page;
    if (page == PracticePage::Progress) {
        cutSequence();
        nextAt_.reset();
        return;
    }
    if (state_ == QuestionState::Right || state_ == QuestionState::Wrong)
        goOn(now);
    else if (state_ == QuestionState::Asking)
        replay(false);
    else if (state_ == QuestionState::NoSound)
        startQuestion(now);
}

void PracticeSession::clearRecords(std::int64_t now) {
    book_.clear();
    wantSave(now);
}

void PracticeSession::chartSoundStarted() { cutSequence(); }

std::optional<SayModel> PracticeSession::sayModel() const {
    switch (page_) {
    case PracticePage::Questions:
        if ((state_ == QuestionState::Right || state_ == QuestionState::Wrong) && question_)
            return SayModel{question_->symbol(), question_->word.word};
        break;
    case PracticePage::Progress:
        if (chosenSymbol_ >= 1) return SayModel{chosenSymbol_, -1};
        break;
    case PracticePage::Compare:
        if (const Attempt* a = compared()) return a->model;
        break;
    }
    return std::nullopt;
}

const Attempt* PracticeSession::attemptOf(int symbol) const {
    return symbol >= 1 && symbol <= kSymbolCount ? attempts_[symbol - 1].get() : nullptr;
}

// R: a take for the model of the moment; during a take, its end.
void PracticeSession::sayIt() {
    if (take_ == TakeState::Recording) {
        microphone_.finish();
        return;
    }
    if (take_ == TakeState::Preparing) return;
    const std::optional<SayModel> model = sayModel();
    if (!model) return;
    // Nothing may play into the recording, nor a question follow during it.
    cutSequence();
    nextAt_.reset();
    sound_.stopEverything();
    trouble_ = TakeTrouble::None;
    if (!microphone_.record()) return;
    take_ = TakeState::Preparing;
    takeModel_ = *model;
    takeFrom_ = page_;
    takeLevel_ = kSilentDb;
}

void PracticeSession::cancelTake() {
    if (take_ == TakeState::None) return;
    take_ = TakeState::None;
    microphone_.cancel();
}

void PracticeSession::takeStarted() {
    if (take_ == TakeState::Preparing) take_ = TakeState::Recording;
}

void PracticeSession::takeEnded(RecordingPhase ending, Recording recording, std::int64_t now) {
    if (take_ == TakeState::None) return;  // cancelled: nothing of it is wanted
    take_ = TakeState::None;
    switch (ending) {
    case RecordingPhase::Recorded:
        break;
    case RecordingPhase::NoDevice:
        trouble_ = TakeTrouble::NoMicrophone;
        return;
    case RecordingPhase::Refused:
        trouble_ = TakeTrouble::MicrophoneBusy;
        return;
    case RecordingPhase::Silent:
        trouble_ = TakeTrouble::NothingHeard;
        return;
    default:
        return;
    }
    if (recording.picture.sounding.empty()) {
        trouble_ = TakeTrouble::NothingHeard;
        return;
    }
    auto attempt = std::make_unique<Attempt>();
    attempt->model = takeModel_;
    attempt->recording = std::move(recording.samples);
    attempt->learner = std::move(recording.picture);
    attempt->played = playedPart(attempt->recording, kCaptureRate, attempt->learner.sounding);
    attempt->modelPicture = modelPicture(takeModel_);
    // The last attempt of each symbol is kept; an earlier one goes.
    const int symbol = takeModel_.symbol;
    attempts_[symbol - 1] = std::move(attempt);
    if (takeFrom_ != PracticePage::Compare) comparedFrom_ = takeFrom_;
    compare(symbol, now);
}

const PcmSound& PracticeSession::modelSamples(const SayModel& model) {
    if (!model_ || !(model_->model == model)) model_ = ModelMade{model, modelSound(model), std::nullopt};
    return model_->sound;
}

const SoundPicture& PracticeSession::modelPicture(const SayModel& model) {
    const PcmSound& sound = modelSamples(model);
    if (!model_->picture) model_->picture = measureSound(sound.samples, sound.rate);
    return *model_->picture;
}

void PracticeSession::compare(int symbol, std::int64_t now) {
    comparedSymbol_ = symbol;
    page_ = PracticePage::Compare;
    trouble_ = TakeTrouble::None;
    playComparison(now);
}

// The model, the learner, the model again, each after the one before.
void PracticeSession::playComparison(std::int64_t now) {
    sound_.stopEverything();
    sequence_ = {Step::Model, Step::Learner, Step::Model};
    playStep(now);
}

bool PracticeSession::compareKey(PracticeKey key, std::int64_t now) {
    switch (key) {
    case PracticeKey::Answer1:
        rate(true, now);
        return true;
    case PracticeKey::Answer2:
        rate(false, now);
        return true;
    case PracticeKey::PlayBack:
        playComparison(now);
        return true;
    case PracticeKey::Enter:
    case PracticeKey::Replay:
        leaveComparison(now);
        return true;
    default:
        return false;
    }
}

void PracticeSession::rate(bool alike, std::int64_t now) {
    Attempt* attempt = comparedSymbol_ >= 1 ? attempts_[comparedSymbol_ - 1].get() : nullptr;
    const int rating = alike ? 1 : 0;
    if (!attempt || attempt->rating == rating) return;
    if (attempt->rating < 0)
        book_.recordRating(comparedSymbol_, alike);
    else
        book_.changeRating(comparedSymbol_, alike);
    attempt->rating = rating;
    wantSave(now);
}

// Back where the comparison was asked for: the progress page, or on with
// the questions.
void PracticeSession::leaveComparison(std::int64_t now) {
    cutSequence();
    sound_.stopEverything();
    trouble_ = TakeTrouble::None;
    page_ = comparedFrom_;
    if (page_ == PracticePage::Questions && (state_ == QuestionState::Right || state_ == QuestionState::Wrong))
        goOn(now);
}

bool PracticeSession::hover(const Hit& hit) {
    if (hit == hovered_) return false;
    hovered_ = hit;
    return true;
}

std::optional<std::int64_t> PracticeSession::deadline() const {
    std::optional<std::int64_t> due;
    const auto earliest = [&](std::int64_t t) { due = due ? std::min(*due, t) : t; };
    if (nextAt_) earliest(*nextAt_);
    if (!sequence_.empty()) earliest(stepAt_);
    if (saveAt_) earliest(*saveAt_);
    return due;
}

void PracticeSession::tick(std::int64_t now) {
    if (saveAt_ && *saveAt_ <= now) save(now);
    if (!sequence_.empty() && stepAt_ <= now) playStep(now);
    if (nextAt_ && *nextAt_ <= now) {
        nextAt_.reset();
        goOn(now);
    }
}

// At most one save a second while answering: the first answer after a
// quiet second is saved at once, the others with the next save.
void PracticeSession::wantSave(std::int64_t now) {
    if (saveAt_) return;
    saveAt_ = lastSave_ ? std::max(now, *lastSave_ + kSaveIntervalMs) : now;
}

void PracticeSession::save(std::int64_t now) {
    saveAt_.reset();
    if (!book_.hasUnsaved() || store_.inMemoryOnly()) return;
    lastSave_ = now;
    // A failed save keeps its answers for the next one.
    if (!store_.save(book_) && !store_.inMemoryOnly()) saveAt_ = now + kSaveIntervalMs;
}

std::vector<MissedSymbol> PracticeSession::missedMost() const {
    std::vector<MissedSymbol> missed;
    for (int n = 1; n <= kSymbolCount; ++n)
        if (roundMisses_[n - 1] > 0) missed.push_back({n, roundMisses_[n - 1]});
    std::stable_sort(missed.begin(), missed.end(),
                     [](const MissedSymbol& a, const MissedSymbol& b) { return a.misses > b.misses; });
    if (missed.size() > kMissedShown) missed.resize(kMissedShown);
    return missed;
}

}  // namespace pelomar
