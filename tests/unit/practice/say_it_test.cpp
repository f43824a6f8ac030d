#include <doctest/doctest.h>

#include <algorithm>

#include "media/capture_test_support.h"
#include "practice/practice_view.h"
#include "practice_fakes.h"
#include "text/texts.h"

using namespace pelomar;
using pelomar::test::joined;
using pelomar::test::noise;
using pelomar::test::Samples;
using pelomar::test::silence;
using pelomar::test::tone;
using pelomar::testing::LoggedMicrophone;
using pelomar::testing::LoggedSound;
using pelomar::testing::MemoryProgressFile;

namespace {

// A learner saying something: room noise, 350 ms of voice, room noise.
Samples said(int ms = 350) { return joined({noise(400, -60), tone(ms, 180, -18), noise(700, -60)}); }

// A take's recording as the recorder hands it over.
Recording recordingOf(const Samples& samples) { return {samples, measureSound(samples, kCaptureRate)}; }

struct Practice {
    MemoryProgressFile file;
    ProgressBook book;
    ProgressStore store{file};
    LoggedSound sound;
    LoggedMicrophone microphone;
    Random random{3};
    PracticeSession session{pelomar::testing::embeddedBank(), book, store, sound, microphone, random};

    const Question& q() const { return *session.question(); }
    PracticeKey answerKey(int index) const {
        return static_cast<PracticeKey>(static_cast<int>(PracticeKey::Answer1) + index);
    }
    int wrongIndex() const { return q().candidates.right == 0 ? 1 : 0; }
    void runUntil(std::int64_t until) {
        for (auto due = session.deadline(); due && *due <= until; due = session.deadline()) session.tick(*due);
    }
    std::vector<std::string> since(std::size_t from) const {
        return {sound.log.begin() + static_cast<long>(from), sound.log.end()};
    }
    // R, the microphone records, the take ends with these samples.
    void record(const Samples& samples, std::int64_t now) {
        session.key(PracticeKey::Record, now);
        session.takeStarted();
        session.takeEnded(RecordingPhase::Recorded, recordingOf(samples), now + 1500);
    }
};

std::string samplesLine(std::size_t count, int rate) {
    return "samples " + std::to_string(count) + " at " + std::to_string(rate);
}

}  // namespace

TEST_CASE("after an answer R records the learner; the comparison plays model, learner, model; Enter goes on") {
    Practice p;
    p.session.open(0);
    p.session.key(PracticeKey::Record, 10);
    CHECK(p.microphone.records == 0);  // no answer yet: nothing to say after
    p.session.key(p.answerKey(p.wrongIndex()), 100);
    const std::size_t mark = p.sound.log.size();
    p.session.key(PracticeKey::Record, 200);
    // Every sound stops first; the microphone opens only now.
    CHECK(p.microphone.records == 1);
    CHECK(p.since(mark) == std::vector<std::string>{"stop"});
    CHECK(p.session.take() == TakeState::Preparing);
    p.runUntil(5000);
    CHECK(p.since(mark) == std::vector<std::string>{"stop"});  // the wrong answer's sounds were cut
    p.session.takeStarted();
    p.session.takeLevel(-20.0f);
    CHECK(p.session.take() == TakeState::Recording);

    const Samples recording = said();
    p.session.takeEnded(RecordingPhase::Recorded, recordingOf(recording), 6000);
    REQUIRE(p.session.page() == PracticePage::Compare);
    const Attempt* a = p.session.compared();
    REQUIRE(a != nullptr);
    CHECK(a->model == SayModel{p.q().symbol(), p.q().word.word});
    CHECK(a->learner.durationMs() == doctest::Approx(350).epsilon(0.05));
    const PcmSound model = modelSound(a->model);
    REQUIRE_FALSE(model.samples.empty());
    p.runUntil(20000);
    const std::vector<std::string> expected = {"stop", samplesLine(model.samples.size(), model.rate),
                                               samplesLine(a->played.size(), kCaptureRate),
                                               samplesLine(model.samples.size(), model.rate)};
    CHECK(p.since(mark + 1) == expected);
    // What is played between the two models is the recording's speech.
    REQUIRE(p.sound.played.size() >= 3);
    const Samples& learner = p.sound.played[p.sound.played.size() - 2];
    CHECK(learner == Samples(recording.begin() + static_cast<long>(a->played.begin),
                             recording.begin() + static_cast<long>(a->played.end)));
    CHECK(p.sound.played.back() == model.samples);

    const long number = p.q().number;
    p.session.key(PracticeKey::Enter, 21000);
    CHECK(p.session.page() == PracticePage::Questions);
    CHECK(p.session.state() == QuestionState::Asking);
    CHECK(p.q().number == number + 1);
}

TEST_CASE("a right answer's next question waits while the learner says the word") {
    Practice p;
    p.session.open(0);
    const long number = p.q().number;
    p.session.key(p.answerKey(p.q().candidates.right), 100);
    p.session.key(PracticeKey::Record, 200);
    p.runUntil(10000);
    CHECK(p.q().number == number);
    CHECK(p.session.state() == QuestionState::Right);
}

TEST_CASE("a take that gives nothing leaves the page as it was, with its own line; one cut short leaves nothing") {
    Practice p;
    p.session.open(0);
    p.session.key(p.answerKey(p.wrongIndex()), 100);
    const std::pair<RecordingPhase, TakeTrouble> cases[] = {{RecordingPhase::NoDevice, TakeTrouble::NoMicrophone},
                                                            {RecordingPhase::Refused, TakeTrouble::MicrophoneBusy},
                                                            {RecordingPhase::Silent, TakeTrouble::NothingHeard}};
    for (const auto& [ending, trouble] : cases) {
        p.session.key(PracticeKey::Record, 200);
        p.session.takeEnded(ending, {}, 300);
        CHECK(p.session.trouble() == trouble);
        CHECK(p.session.page() == PracticePage::Questions);
        CHECK(p.session.state() == QuestionState::Wrong);
        CHECK(p.session.take() == TakeState::None);
    }
    // Recorded, but nothing in it sounds: nothing heard all the same.
    p.session.key(PracticeKey::Record, 400);
    p.session.takeEnded(RecordingPhase::Recorded, recordingOf(silence(800)), 500);
    CHECK(p.session.trouble() == TakeTrouble::NothingHeard);
    CHECK(p.session.page() == PracticePage::Questions);

    // Another key during a take ends it; what it brings later is dropped.
    p.session.key(PracticeKey::Record, 600);
    CHECK(p.session.trouble() == TakeTrouble::None);
    p.session.key(PracticeKey::Slow, 700);
    CHECK(p.microphone.cancels == 1);
    p.session.takeEnded(RecordingPhase::Recorded, recordingOf(said()), 800);
    CHECK(p.session.page() == PracticePage::Questions);
    CHECK(p.session.compared() == nullptr);
    // The line goes with the question.
    p.session.key(PracticeKey::Record, 900);
    p.session.takeEnded(RecordingPhase::NoDevice, {}, 950);
    p.session.key(PracticeKey::Enter, 1000);
    CHECK(p.session.trouble() == TakeTrouble::None);
}

TEST_CASE("R during a take ends it; in the comparison 1 and 2 rate it, a second thought moves the count, P plays again") {
    Practice p;
    p.session.open(0);
    p.session.key(p.answerKey(p.wrongIndex()), 100);
    const int symbol = p.q().symbol();
    p.session.key(PracticeKey::Record, 200);
    p.session.key(PracticeKey::Record, 250);  // still opening: nothing to end
    CHECK(p.microphone.finishes == 0);
    p.session.takeStarted();
    p.session.key(PracticeKey::Record, 300);
    CHECK(p.microphone.finishes == 1);
    CHECK(p.microphone.records == 1);
    p.session.takeEnded(RecordingPhase::Recorded, recordingOf(said()), 400);
    REQUIRE(p.session.page() == PracticePage::Compare);

    const int asked = p.session.roundAsked();
    p.session.key(PracticeKey::Answer1, 500);
    CHECK(p.session.roundAsked() == asked);  // no answer to a question
    CHECK(p.book.record(symbol).alike == 1);
    CHECK(p.book.record(symbol).rated == 1);
    p.session.key(PracticeKey::Answer1, 510);
    CHECK(p.book.record(symbol).rated == 1);
    p.session.key(PracticeKey::Answer2, 520);
    CHECK(p.book.record(symbol).alike == 0);
    CHECK(p.book.record(symbol).rated == 1);
    CHECK(p.session.compared()->rating == 0);
    p.runUntil(3000);
    p.session.close(3000);
    ProgressBook reader;
    reader.readFrom(p.file.text.bytes);
    CHECK(reader.record(symbol).rated == 1);
    CHECK(reader.record(symbol).alike == 0);

    const std::size_t mark = p.sound.log.size();
    p.session.key(PracticeKey::PlayBack, 4000);
    p.runUntil(20000);
    CHECK(std::count_if(p.sound.log.begin() + static_cast<long>(mark), p.sound.log.end(),
                        [](const std::string& s) { return s.rfind("samples", 0) == 0; }) == 3);
}

TEST_CASE("from 我的进度: a chosen symbol against one repetition of its sound; the last attempt of each is kept") {
    Practice p;
    p.session.open(0);
    p.session.click({Target::Progress}, 10);
    p.session.key(PracticeKey::Record, 20);
    CHECK(p.microphone.records == 0);  // nothing chosen yet
    p.session.click({Target::Cell, 5}, 30);
    CHECK(p.session.chosenSymbol() == 5);
    const Samples first = said(300);
    p.record(first, 40);
    REQUIRE(p.session.page() == PracticePage::Compare);
    CHECK(p.session.compared()->model == SayModel{5, -1});
    const PcmSound model = modelSound({5, -1});
    CHECK(p.sound.log.back() == samplesLine(model.samples.size(), model.rate));
    // One repetition, not the whole sound.
    const AssetView whole = soundFor(5);
    CHECK(model.samples.size() < walkWavChunks(whole.data, whole.size)->samples.size());

    p.session.key(PracticeKey::Enter, 3000);
    CHECK(p.session.page() == PracticePage::Progress);
    CHECK(hitTest(p.session, playBackBox().left, playBackBox().top) == Hit{Target::PlayBack});
    p.session.key(PracticeKey::PlayBack, 3100);
    CHECK(p.session.page() == PracticePage::Compare);
    CHECK(p.session.compared()->recording == first);
    const Samples second = said(500);
    p.record(second, 4000);  // R again, in the comparison
    CHECK(p.session.compared()->recording == second);
    CHECK(p.session.attemptOf(5)->recording == second);
    p.session.key(PracticeKey::Enter, 6000);
    CHECK(p.session.page() == PracticePage::Progress);
}

TEST_CASE("the comparison's window: buttons that answer, both sounds drawn on one axis, the line about keeping") {
    Practice p;
    p.session.open(0);
    p.session.key(p.answerKey(p.wrongIndex()), 100);
    CHECK(hitTest(p.session, sayItBox(PracticePage::Questions).left, sayItBox(PracticePage::Questions).top) ==
          Hit{Target::SayIt});
    p.record(said(), 200);
    const std::pair<CompareButton, Hit> buttons[] = {{CompareButton::Alike, {Target::Rate, 1}},
                                                     {CompareButton::NotYet, {Target::Rate, 0}},
                                                     {CompareButton::Listen, {Target::PlayBack}},
                                                     {CompareButton::Again, {Target::SayIt}},
                                                     {CompareButton::GoOn, {Target::Next}}};
    for (const auto& [button, hit] : buttons) {
        const Box b = compareButtonBox(button);
        CHECK(b.right <= kPracticeClientWidth);
        CHECK(hitTest(p.session, b.left, b.top) == hit);
        CHECK(hitTest(p.session, b.right - 1, b.bottom - 1) == hit);
    }
    p.session.click({Target::Rate, 1}, 300);
    CHECK(p.session.compared()->rating == 1);

    const auto scene = practiceScene(p.session);
    std::vector<const DrawItem*> strips;
    for (const DrawItem& d : scene)
        if (d.kind == DrawItem::Kind::Pixels) strips.push_back(&d);
    REQUIRE(strips.size() == 4);
    for (const DrawItem* d : strips) CHECK(d->pixels.size() == static_cast<std::size_t>(d->box.width() * d->box.height()));
    CHECK(strips[0]->box == envelopeBox(0));
    CHECK(strips[3]->box == bandsBox(1));
    CHECK(bandsBox(1).bottom < compareButtonBox(CompareButton::Alike).top);
    const auto has = [&](std::wstring_view t) {
        return std::any_of(scene.begin(), scene.end(), [&](const DrawItem& d) { return d.text == t; });
    };
    CHECK(has(text::wide::kPracticeSayPrivacy));
    CHECK(has(fillIn(text::wide::kPracticeSeconds, {secondsText(p.session.compared()->learner.durationMs())})));
}
