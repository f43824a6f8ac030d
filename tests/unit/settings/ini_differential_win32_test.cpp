// Our INI module against the platform's profile functions: a few hundred
// generated files are read and updated both ways and the results compared.
//
// The platform rewrites the whole file on every update in a normalised form
// (blank lines dropped, blanks around names and values removed, CR LF line
// ends), where Windows itself and our module keep every line they do not
// change. So updated texts are compared after both have been normalised by
// the platform, and byte for byte wherever the platform's normalisation
// leaves the original file as it was.
//
// The rules are those of a GBK system: with another ANSI code page only the
// files in plain ASCII are compared. A UTF-8 byte-order mark is ordinary
// bytes to Windows but decoded by Wine, so for the platform it is replaced
// by a stand-in of the same shape ("~~" and the mark's last byte, which
// starts a double-byte character just as in the mark).
#include <doctest/doctest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/settings_store.h"
#include "text/texts.h"

using namespace pelomar;
using std::string;

namespace {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state_ >> 33);
    }
    size_t below(size_t n) { return next() % n; }
    bool chance(int percent) { return static_cast<int>(below(100)) < percent; }
    template <class T>
    const T& pick(const std::vector<T>& v) { return v[below(v.size())]; }

private:
    uint64_t state_;
};

const string kTrue = "\xD5\xE6";   // 真
const string kFalse = "\xBC\xD9";  // 假

struct Vocabulary {
    std::vector<string> sections, keys, values;
};

const Vocabulary kAscii = {
    {"s", "S", "sec two", "t"},
    {"k", "K", "key", "Esc"},
    {"v", "", "V", "\"q\"", "'q'", "\"", "a=b", " sp ", "1", "true", "x'"},
};

const Vocabulary kGbk = {
    {string(text::kSettingsSection), "\xB2\xCB\xB5\xA5", "Opt\xD1\xA1\xCF\xEE"},  // 菜单配置, 菜单, Opt选项
    {string(optionInfo(Option::HoverSound).key), string(optionInfo(Option::KeepInFront).key),
     string(optionInfo(Option::EscCloses).key), "\x81\x61", "\x81\x41"},
    {kTrue, kFalse, "\"" + kTrue + "\"", kTrue + "x", "\xE7\x9C\x9F", "'" + kFalse + "'"},
};

string escaped(const string& s) {
    string out;
    char buf[8];
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out.size() > 400 ? out.substr(0, 400) + "..." : out;
}

class Generator {
public:
    // A tidy file looks as the platform writes one: CR LF line ends, no
    // blanks or blank lines; its updates can be compared byte for byte.
    Generator(Random& r, bool ascii, bool tidy) : r_(r), ascii_(ascii), tidy_(tidy) {}

    std::vector<string> sections() const { return join(&Vocabulary::sections); }
    std::vector<string> keys() const { return join(&Vocabulary::keys); }
    std::vector<string> values() const { return join(&Vocabulary::values); }

    string file() {
        const int ending = tidy_ ? 0 : static_cast<int>(r_.below(4));  // CR LF, LF, CR, mixed
        string text;
        const size_t lines = r_.below(14);
        for (size_t i = 0; i < lines; ++i) {
            text += line();
            if (i + 1 == lines && !tidy_ && r_.chance(25)) break;  // no final line break
            text += lineBreak(ending);
        }
        return text;
    }

private:
    std::vector<string> join(std::vector<string> Vocabulary::*list) const {
        std::vector<string> all = kAscii.*list;
        if (!ascii_) all.insert(all.end(), (kGbk.*list).begin(), (kGbk.*list).end());
        return all;
    }

    string lineBreak(int ending) {
        static const std::vector<string> breaks = {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n", "\n\n"};
        if (ending == 3) return r_.pick(breaks);
        return ending == 0 ? "\r\n" : ending == 1 ? "\n" : "\r";
    }

    string pad() {
        if (tidy_) return "";
        static const std::vector<string> pads = {"", "", "", " ", "\t", "  ", " \t ", "\x0B", "\x1A", "\x0C "};
        return r_.pick(pads);
    }

    string cased(string s) {
        for (char& c : s)
            if (r_.chance(30) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
        return s;
    }

    string garbage(size_t n) {
        string s;
        for (size_t i = 0; i < n; ++i) s += static_cast<char>(1 + r_.below(ascii_ ? 126 : 254));
        return s;
    }

    string line() {
        if (tidy_) {
            if (r_.chance(20)) return "[" + r_.pick(sections()) + "]";
            return r_.pick(keys()) + "=" + r_.pick(values());
        }
        switch (r_.below(16)) {
        case 0:
        case 1:
        case 2:
            return pad() + "[" + pad() + cased(r_.pick(sections())) + pad() + "]" +
                   (r_.chance(15) ? " junk]x" : "") + pad();
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
            return pad() + cased(r_.pick(keys())) + pad() + "=" + pad() + r_.pick(values()) + pad();
        case 8:
            return pad() + cased(r_.pick(keys())) + pad();  // no '='
        case 9:
            return (r_.chance(50) ? ";" : "#") + cased(r_.pick(keys())) + "=" + r_.pick(values());
        case 10:
            return pad();
        case 11:
            return garbage(1 + r_.below(40));
        case 12: {
            static const std::vector<string> odd = {"[", "]", "[]", "[ ]=x", "=", "=v", "==", "[" + string("s"), "k=v=w"};
            return r_.pick(odd);
        }
        case 13:  // a very long line
            return r_.pick(keys()) + "=" + string(3000 + r_.below(17000), r_.chance(50) ? 'x' : ' ') + "end";
        default:
            return r_.pick(keys()) + "=" + r_.pick(values());
        }
    }

    Random& r_;
    bool ascii_;
    bool tidy_;
};

struct Update {
    string section, key, value;
};

class Platform {
public:
    Platform() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir_ = string(temp, temp + wcslen(temp)) + "pelomar-ini-differential\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    ~Platform() {
        for (const string& p : made_) DeleteFileA(p.c_str());
        RemoveDirectoryA(dir_.c_str());
    }

    // A fresh file (the profile functions cache files by name).
    string place(const string& bytes) {
        const string path = dir_ + std::to_string(made_.size()) + ".ini";
        made_.push_back(path);
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(h);
        return path;
    }

    static string contents(const string& path) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<none>";
        string s(GetFileSize(h, nullptr), '\0');
        DWORD n = 0;
        ReadFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
        CloseHandle(h);
        s.resize(n);
        return s;
    }

    static std::optional<string> read(const string& path, const string& section, const string& key) {
        static const char kMissing[] = "\x01missing";
        std::vector<char> buf(1 << 17);
        const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, buf.data(),
                                                 static_cast<DWORD>(buf.size()), path.c_str());
        const string value(buf.data(), n);
        if (value == kMissing) return std::nullopt;
        return value;
    }

    static void write(const string& path, const Update& u) {
        WritePrivateProfileStringA(u.section.c_str(), u.key.c_str(), u.value.c_str(), path.c_str());
    }

    // The platform's own rewrite of a text: add a section and take it away.
    string normalised(const string& bytes) {
        const string path = place(bytes);
        WritePrivateProfileStringA("\x02norm", "k", "v", path.c_str());
        WritePrivateProfileStringA("\x02norm", nullptr, nullptr, path.c_str());
        return contents(path);
    }

private:
    string dir_;
    std::vector<string> made_;
};

// What a value looks like after the platform's trip through UTF-16 and back:
// invalid double-byte sequences come back as '?'.
string throughCodePage(const string& s) {
    if (s.empty()) return s;
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    const int m = WideCharToMultiByte(CP_ACP, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

const string kBom = "\xEF\xBB\xBF";
const string kBomStandIn = "~~\xBF";

string forPlatform(const string& text) {
    return text.compare(0, 3, kBom) == 0 ? kBomStandIn + text.substr(3) : text;
}

// Wine writes a section with an empty name ("[]") without its header line,
// so its entries join the section above. Windows keeps the line, and so do
// we; updates of such files are not compared.
bool hasNamelessSection(const string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == string::npos) end = text.size();
        string line = text.substr(start, end - start);
        const size_t first = line.find_first_not_of(" \t\x0B\x0C\x1A");
        const size_t close = line.rfind(']');
        if (first != string::npos && line[first] == '[' && close != string::npos && close > first &&
            line.substr(first + 1, close - first - 1).find_first_not_of(" \t\x0B\x0C\x1A") == string::npos)
            return true;
        start = end + 1;
    }
    return false;
}

bool isAscii(const string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

TEST_CASE("INI reading and updating agree with the platform's profile functions") {
    const bool gbk = GetACP() == 936;
    Platform platform;
    Random r(20240611);
    std::vector<string> mismatches;
    int filesCompared = 0, readsCompared = 0, updatesCompared = 0, exactUpdates = 0, namelessSkipped = 0;
    const auto mismatch = [&](const string& what) {
        if (mismatches.size() < 8) mismatches.push_back(what);
        else if (mismatches.size() == 8) mismatches.push_back("...");
    };

    for (int i = 0; i < 400; ++i) {
        const bool ascii = r.chance(45);
        Generator gen(r, ascii, r.chance(20));
        string text = gen.file();
        if (!ascii && r.chance(12)) text = kBom + text;
        // Every update sequence is drawn whatever the code page, so that the
        // files are the same under every code page.
        std::vector<Update> updates;
        if (r.chance(20)) {
            for (const OptionInfo& item : optionTable())
                updates.push_back({string(text::kSettingsSection), string(item.key), r.chance(50) ? kTrue : kFalse});
        } else {
            for (size_t n = 1 + r.below(3); n > 0; --n)
                updates.push_back({r.pick(gen.sections()), r.pick(gen.keys()), r.pick(gen.values())});
        }
        if (!gbk && !isAscii(text)) continue;
        ++filesCompared;
        CAPTURE(i);

        const string onPlatform = forPlatform(text);
        const string path = platform.place(onPlatform);
        for (const string& section : gen.sections()) {
            for (const string& key : gen.keys()) {
                auto ours = ini::readValue(text, section, key);
                if (ours && gbk) ours = throughCodePage(*ours);
                const auto theirs = Platform::read(path, section, key);
                ++readsCompared;
                if (ours != theirs)
                    mismatch("file " + std::to_string(i) + " \"" + escaped(text) + "\" [" + escaped(section) + "] " +
                             escaped(key) + ": ours " + (ours ? "\"" + escaped(*ours) + "\"" : "missing") +
                             ", platform's " + (theirs ? "\"" + escaped(*theirs) + "\"" : "missing"));
            }
        }

        if (hasNamelessSection(text)) {
            ++namelessSkipped;
            continue;
        }
        // Wine keeps a written value's trailing blanks until it next reads
        // the file from disk, so such values are compared only normalised.
        bool trailingBlank = false;
        string ours = text;
        for (Update& u : updates) {
            trailingBlank = trailingBlank || (!u.value.empty() && u.value.back() == ' ');
            // The platform cannot store a value that is not valid text in the
            // code page (a lead byte at its end is dropped): we are given
            // the value it would store.
            if (gbk) u.value = throughCodePage(u.value);
            ours = ini::writeValue(ours, u.section, u.key, u.value);
            Platform::write(path, u);
        }
        const string theirs = Platform::contents(path);
        const string oursOnPlatform = forPlatform(ours);
        ++updatesCompared;
        const string oursNormalised = platform.normalised(oursOnPlatform);
        const string theirsNormalised = platform.normalised(theirs);
        if (oursNormalised != theirsNormalised)
            mismatch("file " + std::to_string(i) + " \"" + escaped(text) + "\" updated: ours \"" +
                     escaped(oursOnPlatform) + "\", normalised \"" + escaped(oursNormalised) +
                     "\", platform's normalised \"" + escaped(theirsNormalised) + "\"");
        // Where the platform's rewrite would change nothing, or it wrote
        // nothing, the bytes must be the same.
        if (!trailingBlank && (platform.normalised(onPlatform) == onPlatform || theirs == onPlatform)) {
            ++exactUpdates;
            if (oursOnPlatform != theirs)
                mismatch("file " + std::to_string(i) + " \"" + escaped(text) + "\" updated, bytes: ours \"" +
                         escaped(oursOnPlatform) + "\", platform's \"" + escaped(theirs) + "\"");
        }
    }

    MESSAGE("code page " << GetACP() << ": " << filesCompared << " files, " << readsCompared << " reads, "
                         << updatesCompared << " update sequences (" << exactUpdates << " byte for byte, "
                         << namelessSkipped << " files with a nameless section not updated)");
    for (const string& m : mismatches) MESSAGE(m);
    CHECK(mismatches.empty());
    CHECK(filesCompared >= (gbk ? 350 : 150));
}
