#include <doctest/doctest.h>

#include "gbk_text.h"
#include "practice/progress_store.h"
#include "practice_fakes.h"
#include "text/texts.h"

using namespace pelomar;
using pelomar::testing::MemoryProgressFile;

namespace {

std::string section() { return "[" + std::string(text::kProgressSection) + "]\r\n"; }

SettingsText present(std::string bytes) { return {SettingsText::State::Present, std::move(bytes)}; }

}  // namespace

TEST_CASE("a symbol's value: right/asked, the box, and whatever follows kept") {
    const auto r = parseRecord("7/9 3 later fields");
    REQUIRE(r.has_value());
    CHECK(r->record.right == 7);
    CHECK(r->record.asked == 9);
    CHECK(r->record.box == 3);
    CHECK(r->rest == " later fields");
    CHECK(formatRecord(r->record, r->rest) == "7/9 3 later fields");
    // An older copy's value without a box; a box that cannot be; more right than asked.
    CHECK(parseRecord("7/9")->record.box == 1);
    CHECK(parseRecord("0/0")->record.box == 0);
    CHECK(parseRecord("2/4 9")->record.box == 1);
    CHECK(parseRecord("0/0 3")->record.box == 0);
    CHECK(parseRecord("2/4 x y")->rest == " x y");
    CHECK(parseRecord("9/4 2")->record.right == 4);
    CHECK(parseRecord("999999999/999999999 5")->record.asked == 999999999);
    for (const char* bad : {"", "7", "7/", "/9", "a/9", "7/9x", "7 /9", "1234567890/1234567890", "-1/2"}) {
        CAPTURE(bad);
        CHECK_FALSE(parseRecord(bad).has_value());
    }
}

TEST_CASE("the progress text: usable, missing, or bad and set aside") {
    CHECK(classifyProgressText({}) == ProgressTextKind::Missing);
    CHECK(classifyProgressText({SettingsText::State::Unreadable, {}}) == ProgressTextKind::Bad);
    CHECK(classifyProgressText(present("")) == ProgressTextKind::Usable);
    CHECK(classifyProgressText(present(" \r\n\t")) == ProgressTextKind::Usable);
    CHECK(classifyProgressText(present(section() + "1=1/1 2\r\n")) == ProgressTextKind::Usable);
    CHECK(classifyProgressText(present("[other]\r\nx=1\r\n")) == ProgressTextKind::Bad);
    CHECK(classifyProgressText(present(section() + std::string("1=1/1\0 2", 8))) == ProgressTextKind::Bad);
    CHECK(classifyProgressText(present("\xFF\xFE[\0" + section())) == ProgressTextKind::Bad);
    CHECK(classifyProgressText(present(section() + "\x01\x02")) == ProgressTextKind::Bad);
}

TEST_CASE("answers round trip through the text; other keys, sections and fields are kept") {
    const std::string before = "; notes\r\n[other]\r\nx=1\r\n" + section() + "7=1/2 1 kept\r\nfuture=yes\r\n";
    ProgressBook book;
    book.readFrom(before);
    CHECK(book.record(7).asked == 2);
    book.recordAnswer(7, true);
    book.recordAnswer(7, true);
    book.recordAnswer(12, false);
    book.setLastSet(PracticeSet::Diphthongs);
    const std::string after = book.mergedInto(before);
    CHECK(gbkToUtf8(after) == "; notes\r\n[other]\r\nx=1\r\n[练习]\r\n7=3/4 3 kept\r\nfuture=yes\r\n12=0/1 1\r\n"
                              "上次练习=双元音\r\n");
    book.saved(after);
    CHECK_FALSE(book.hasUnsaved());
    ProgressBook again;
    again.readFrom(after);
    CHECK(again.record(7).right == 3);
    CHECK(again.record(7).box == 3);
    CHECK(again.record(12).box == 1);
    CHECK(again.record(13).asked == 0);
    CHECK(again.lastSet() == PracticeSet::Diphthongs);
}

TEST_CASE("two copies practising at once: each save adds its own new answers to the file's") {
    MemoryProgressFile file;
    ProgressBook first, second;
    ProgressStore storeA(file), storeB(file);
    storeA.load(first);
    storeB.load(second);
    first.recordAnswer(5, true);
    first.recordAnswer(5, false);
    second.recordAnswer(5, true);
    second.recordAnswer(6, true);
    CHECK(storeA.save(first));
    CHECK(storeB.save(second));
    first.recordAnswer(5, true);
    CHECK(storeA.save(first));
    CHECK(storeA.save(first));  // nothing new: the file stays
    ProgressBook reader;
    reader.readFrom(file.text.bytes);
    CHECK(reader.record(5).asked == 4);
    CHECK(reader.record(5).right == 3);
    CHECK(reader.record(6).asked == 1);
    CHECK(file.writes == 3);
    // What the first copy shows now includes the second copy's answers.
    CHECK(first.record(6).asked == 1);
}

TEST_CASE("clearing: every count to zero in the file, answers after it counted afresh") {
    MemoryProgressFile file;
    file.text = present(section() + "3=5/6 4 x\r\n9=1/1 2\r\n");
    ProgressBook book;
    ProgressStore store(file);
    store.load(book);
    book.clear();
    CHECK(book.record(3).asked == 0);
    book.recordAnswer(9, true);
    REQUIRE(store.save(book));
    ProgressBook reader;
    reader.readFrom(file.text.bytes);
    CHECK(reader.record(3).asked == 0);
    CHECK(reader.record(3).box == 0);
    CHECK(reader.record(9).asked == 1);
    CHECK(reader.record(9).box == 1);
    CHECK(file.text.bytes.find("3=0/0 0 x") != std::string::npos);
}

TEST_CASE("a bad file is set aside and practice starts fresh; where it cannot be, nothing is ever written") {
    SUBCASE("set aside") {
        MemoryProgressFile file;
        file.text = present(std::string("\0\1\2binary", 9));
        ProgressBook book;
        ProgressStore store(file);
        store.load(book);
        CHECK(file.setAsideText == std::string("\0\1\2binary", 9));
        CHECK_FALSE(store.inMemoryOnly());
        book.recordAnswer(1, true);
        CHECK(store.save(book));
        CHECK(file.text.bytes.find("1=1/1 1") != std::string::npos);
    }
    SUBCASE("the rename fails") {
        MemoryProgressFile file;
        file.text = present("no section here");
        file.renameWorks = false;
        ProgressBook book;
        ProgressStore store(file);
        store.load(book);
        CHECK(store.inMemoryOnly());
        book.recordAnswer(1, true);
        CHECK_FALSE(store.save(book));
        CHECK(file.writes == 0);
        CHECK(book.record(1).right == 1);  // still counted in memory
    }
    SUBCASE("a write that fails keeps the answers for the next save") {
        MemoryProgressFile file;
        ProgressBook book;
        ProgressStore store(file);
        store.load(book);
        book.recordAnswer(2, false);
        file.refuseWrites = true;
        CHECK_FALSE(store.save(book));
        CHECK(book.hasUnsaved());
        file.refuseWrites = false;
        book.recordAnswer(2, true);
        CHECK(store.save(book));
        CHECK(file.text.bytes.find("2=1/2 2") != std::string::npos);
    }
}

TEST_CASE("ratings of the learner's own attempts: a further field, merged, changed, cleared") {
    SUBCASE("read and written after the box, what follows them kept") {
        const auto r = parseRecord("7/9 3 2/5 later");
        REQUIRE(r.has_value());
        CHECK(r->record.alike == 2);
        CHECK(r->record.rated == 5);
        CHECK(r->rest == " later");
        CHECK(formatRecord(r->record, r->rest) == "7/9 3 2/5 later");
        CHECK(parseRecord("7/9 3 6/5")->record.alike == 5);
        CHECK(parseRecord("7/9 3 x")->record.rated == 0);
        CHECK(parseRecord("7/9 3 2/5x")->rest == " 2/5x");  // not a ratings field: kept as it is
        CHECK(formatRecord(parseRecord("7/9 3")->record, "") == "7/9 3");  // unrated symbols as before
        // Ratings that count nothing stay where they are when a field like them follows.
        const auto empty = parseRecord("7/9 3 2/0 0/1");
        CHECK(empty->record.rated == 0);
        CHECK(parseRecord(formatRecord(empty->record, empty->rest))->rest == " 0/1");
    }
    SUBCASE("a symbol rated but never asked keeps its place; one asked keeps its box") {
        ProgressBook book;
        book.readFrom(section() + "7=3/4 4 1/2 future\r\n");
        book.recordRating(7, true);
        book.recordRating(20, false);
        CHECK(book.hasUnsaved());
        const std::string after = book.mergedInto(section() + "7=3/4 4 1/2 future\r\n");
        CHECK(after.find(section() + "7=3/4 4 2/3 future\r\n20=0/0 0 0/1\r\n") == 0);
        book.saved(after);
        CHECK(book.record(7).alike == 2);
        CHECK(book.record(7).box == 4);
        CHECK(book.record(20).rated == 1);
    }
    SUBCASE("two copies rating at once both count; a changed rating moves from one count to the other") {
        MemoryProgressFile file;
        ProgressBook first, second;
        ProgressStore storeA(file), storeB(file);
        storeA.load(first);
        storeB.load(second);
        first.recordRating(5, true);
        second.recordRating(5, true);
        REQUIRE(storeA.save(first));
        REQUIRE(storeB.save(second));
        first.changeRating(5, false);  // the first copy's attempt: 还不像 after all
        REQUIRE(storeA.save(first));
        ProgressBook reader;
        reader.readFrom(file.text.bytes);
        CHECK(reader.record(5).rated == 2);
        CHECK(reader.record(5).alike == 1);
    }
    SUBCASE("clearing the records clears the ratings") {
        MemoryProgressFile file;
        file.text = present(section() + "3=5/6 4 2/3 x\r\n");
        ProgressBook book;
        ProgressStore store(file);
        store.load(book);
        CHECK(book.record(3).rated == 3);
        book.clear();
        CHECK(book.record(3).rated == 0);
        REQUIRE(store.save(book));
        CHECK(file.text.bytes.find("3=0/0 0 x") != std::string::npos);
    }
}
