// The journal's format: CRC-32 against known values, an exact round trip of every value type and
// name, and refusal of every damaged, cut, foreign or out-of-bounds file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "journal/crc32.h"
#include "journal/journalFormat.h"

namespace volmora::testing {
namespace {

using config::Journal;
using config::JournalVerb;
using config::KeyChange;
using config::KeyState;
using config::SavedValue;

const std::wstring recordKey = L"SOFTWARE\\Tamsiver Software\\VOLM\\JVMs\\MyJVM";

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// Values of every kind: text with its terminator, a number, binary data with zero bytes, a text
// list, a type the programs never write, an empty default value, and names beyond the BMP and
// with a lone surrogate.
Journal sampleJournal() {
    KeyState before{true,
                    {{L"DllPath", valueType::sz, bytes(std::string("C\0:\0\\\0\0\0", 8))},
                     {L"", valueType::sz, {}},
                     {L"Count", valueType::dword, {1, 0, 0, 0}},
                     {L"Blob", valueType::binary, {0, 0xFF, 0, 7}},
                     {L"List", valueType::multiSz, bytes(std::string("a\0\0\0\0\0", 6))},
                     {L"Odd\U0001F600", 0xDEADBEEF, {1, 2, 3}},
                     {std::wstring(L"Lone") + static_cast<wchar_t>(0xD800), valueType::none, {}}}};
    KeyState after{true, {{L"DllPath", valueType::sz, bytes(std::string("D\0\0\0", 4))}}};
    return {64,
            JournalVerb::apply,
            {{localMachine, L"SOFTWARE\\Tamsiver Software", {}, {true, {}}},
             {localMachine, recordKey, before, after},
             {classesRoot, L"CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", {}, {true, {}}},
             {classesRoot, L"My.Prog.1\\CLSID", {true, {}}, {}}}};
}

void expectSame(const Journal& a, const Journal& b) {
    EXPECT_EQ(a.viewBits, b.viewBits);
    EXPECT_EQ(a.verb, b.verb);
    ASSERT_EQ(a.changes.size(), b.changes.size());
    for (std::size_t i = 0; i < a.changes.size(); ++i) {
        const KeyChange& x = a.changes[i];
        const KeyChange& y = b.changes[i];
        EXPECT_EQ(x.root, y.root) << i;
        EXPECT_EQ(x.path, y.path) << i;
        EXPECT_EQ(x.before.exists, y.before.exists) << i;
        EXPECT_EQ(x.before.values, y.before.values) << i;
        EXPECT_EQ(x.after.exists, y.after.exists) << i;
        EXPECT_EQ(x.after.values, y.after.values) << i;
    }
}

// The bytes with a field changed at offset and a checksum that fits again: what a file made by
// something else looks like.
std::string withField(std::string encoded, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        encoded[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
    encoded.resize(encoded.size() - 4);
    const std::uint32_t sum = config::crc32(encoded);
    for (int i = 0; i < 4; ++i) {
        encoded += static_cast<char>(sum >> (8 * i));
    }
    return encoded;
}

TEST(Crc32, MatchesTheKnownCheckValues) {
    const std::pair<std::string_view, std::uint32_t> cases[] = {
        {"", 0},
        {"a", 0xE8B7BE43},
        {"123456789", 0xCBF43926},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339},
        {std::string_view("\0\0\0\0", 4), 0x2144DF1C},
    };
    for (const auto& [text, sum] : cases) {
        EXPECT_EQ(config::crc32(text), sum) << text;
    }
}

TEST(Crc32, TwoPartsCombineAsTheirBytesDo) {
    // Lengths around the powers of two that the combination walks through, empty parts, and
    // random ones; the second part's checksum is made without the first.
    std::mt19937 random(20261208);
    std::vector<std::pair<std::size_t, std::size_t>> lengths = {
        {0, 0}, {0, 9}, {9, 0}, {1, 1}, {3, 8}, {64, 65536}, {65536, 65537}, {7, 1 << 20}};
    for (int i = 0; i < 40; ++i) {
        lengths.emplace_back(random() % 5000, random() % 70000);
    }
    for (const auto& [first, second] : lengths) {
        std::string bytes(first + second, '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(random());
        }
        const std::string_view a = std::string_view(bytes).substr(0, first);
        const std::string_view b = std::string_view(bytes).substr(first);
        EXPECT_EQ(config::crc32Combine(config::crc32(a), config::crc32(b), second),
                  config::crc32(bytes))
            << first << " + " << second;
    }
}

// A sink that keeps what it is given, and fails from the failAt-th call on.
class RecordingSink : public config::JournalSink {
  public:
    explicit RecordingSink(std::size_t failAt = SIZE_MAX) : failAt_(failAt) {}
    std::string bytes;
    std::size_t largestAppend = 0;
    long append(std::string_view more) override {
        if (++calls_ >= failAt_) {
            return 112;  // ERROR_DISK_FULL
        }
        largestAppend = std::max(largestAppend, more.size());
        bytes += more;
        return 0;
    }
    long overwrite(std::size_t offset, std::string_view field) override {
        if (++calls_ >= failAt_) {
            return 112;
        }
        bytes.replace(offset, field.size(), field);
        return 0;
    }

  private:
    std::size_t failAt_;
    std::size_t calls_ = 0;
};

// Journals of thousands of keys, as an apply at fleet scale writes them.
Journal largeJournal(std::size_t keys) {
    Journal journal{64, JournalVerb::apply, {}};
    for (std::size_t i = 0; i < keys; ++i) {
        const std::wstring name =
            L"{C0FFEE00-0000-4000-8000-" + std::to_wstring(100000000000 + i) + L"}";
        journal.changes.push_back(
            {localMachine,
             L"SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\" + name,
             {},
             {true,
              {{L"JavaClassName", valueType::sz, bytes(std::string("c\0o\0m\0\0\0", 8))},
               {L"ProgId", valueType::sz, bytes(std::string("P\0\0\0", 4))}}}});
    }
    return journal;
}

TEST(JournalFormat, ALargeJournalGoesOutInPiecesAndComesBackWhole) {
    for (const std::size_t keys : {0u, 1u, 700u, 5000u}) {
        const Journal journal = largeJournal(keys);
        RecordingSink sink;
        config::JournalEncoder encoder(sink, journal.viewBits, journal.verb);
        for (const KeyChange& change : journal.changes) {
            encoder.add(change);
        }
        ASSERT_EQ(encoder.finish(), 0);
        // Never more than about one piece is held: a journal of 5,000 keys is over 1 MB.
        EXPECT_LE(sink.largestAppend, 72u * 1024) << keys;
        Journal read;
        ASSERT_EQ(config::decodeJournal(sink.bytes, read), L"") << keys;
        expectSame(read, journal);
    }
}

TEST(JournalFormat, AFailedWriteOfAnyPieceIsWhatTheEncoderEndsWith) {
    const Journal journal = largeJournal(3000);
    RecordingSink whole;
    {
        config::JournalEncoder encoder(whole, journal.viewBits, journal.verb);
        for (const KeyChange& change : journal.changes) {
            encoder.add(change);
        }
        ASSERT_EQ(encoder.finish(), 0);
    }
    // The start, some pieces, the key count written over, the checksum: each call may fail.
    for (std::size_t failAt = 1;; ++failAt) {
        RecordingSink sink(failAt);
        config::JournalEncoder encoder(sink, journal.viewBits, journal.verb);
        for (const KeyChange& change : journal.changes) {
            encoder.add(change);
        }
        const long result = encoder.finish();
        if (sink.bytes == whole.bytes) {
            EXPECT_EQ(result, 0);
            EXPECT_GT(failAt, 4u);
            break;
        }
        EXPECT_EQ(result, 112) << "call " << failAt;
        Journal read;
        EXPECT_NE(config::decodeJournal(sink.bytes, read), L"") << "call " << failAt;
    }
}

TEST(JournalFormat, EveryValueComesBackExactly) {
    for (const JournalVerb verb : {JournalVerb::apply, JournalVerb::restore, JournalVerb::backup}) {
        Journal journal = sampleJournal();
        journal.verb = verb;
        journal.viewBits = verb == JournalVerb::restore ? 32 : 64;
        Journal read;
        ASSERT_EQ(config::decodeJournal(config::encodeJournal(journal), read), L"");
        expectSame(read, journal);
    }
    Journal empty{32, JournalVerb::backup, {}};
    Journal read;
    ASSERT_EQ(config::decodeJournal(config::encodeJournal(empty), read), L"");
    expectSame(read, empty);
}

TEST(JournalFormat, AnyDamagedOrCutFileIsRefused) {
    const std::string whole = config::encodeJournal(sampleJournal());
    for (std::size_t at = 0; at < whole.size(); ++at) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        Journal read;
        EXPECT_NE(config::decodeJournal(damaged, read), L"") << "byte " << at;
        EXPECT_TRUE(read.changes.empty());
    }
    for (std::size_t size = 0; size < whole.size(); ++size) {
        Journal read;
        EXPECT_NE(config::decodeJournal(whole.substr(0, size), read), L"") << "size " << size;
    }
    Journal read;
    EXPECT_EQ(config::decodeJournal(whole + "x", read),
              L"Its checksum does not match: it was damaged.");
}

TEST(JournalFormat, FieldsItDoesNotKnowAreRefusedEvenWithAMatchingChecksum) {
    const std::string whole = config::encodeJournal(sampleJournal());
    const std::size_t version = std::string_view("volmoraConfig journal\n").size();
    const std::size_t firstRoot = version + 16;
    const std::string notLaidOut = "Its content is not laid out as a journal.";
    const std::pair<std::string, std::wstring> cases[] = {
        {withField(whole, version, 2), L"Its format version 2 is not known."},
        {withField(whole, version + 4, 16), L"Its registry view 16 is not known."},
        {withField(whole, version + 8, 0), L"Its verb 0 is not known."},
        {withField(whole, version + 8, 4), L"Its verb 4 is not known."},
        {withField(whole, version + 12, 5), L"Its content is not laid out as a journal."},
        {withField(whole, version + 12, 0xFFFFFFFF), L"Its content is not laid out as a journal."},
        {withField(whole, firstRoot, 3), L"Its registry root 3 is not known."},
        {withField(whole, firstRoot + 4, 0x7FFFFFFF), L"Its content is not laid out as a journal."},
        {"PK\3\4", L"It is not a volmoraConfig journal."},
        {"volmoraConfig journal\n", L"It ends early: it was damaged."},
    };
    for (const auto& [file, why] : cases) {
        Journal read;
        EXPECT_EQ(config::decodeJournal(file, read), why);
        EXPECT_TRUE(read.changes.empty());
    }
}

TEST(JournalFormat, AJournalNamesOnlyKeysThatApplyTouches) {
    struct Case {
        KeyHandle root;
        std::wstring path;
        bool touched;
    };
    const Case cases[] = {
        {localMachine, L"SOFTWARE\\Tamsiver Software", true},
        {localMachine, L"SOFTWARE\\Tamsiver Software\\VOLM", true},
        {localMachine, L"SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs", true},
        {localMachine, recordKey, true},
        {localMachine, L"SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\S", true},
        {localMachine, L"SOFTWARE", false},
        {localMachine, L"SOFTWARE\\Tamsiver Software\\Other", false},
        {localMachine, L"SOFTWARE\\Tamsiver Software\\VOLM\\Settings", false},
        {localMachine, recordKey + L"\\Deeper", false},
        {localMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", false},
        {localMachine, L"SOFTWARE\\Tamsiver Software\\VOLM\\\\JVMs", false},
        {classesRoot, L"CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", true},
        {classesRoot, L"CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\\InprocServer32", true},
        {classesRoot, L"CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\\ProgId", true},
        {classesRoot, L"CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\\TreatAs", false},
        {classesRoot, L"CLSID", false},
        {classesRoot, L"My.Prog", true},
        {classesRoot, L"My.Prog\\CLSID", true},
        {classesRoot, L"My.Prog\\CurVer", true},
        {classesRoot, L"My.Prog.1\\CLSID", true},
        {classesRoot, L"My.Prog\\shell", false},
        {classesRoot, L"exefile\\shell\\open\\command", false},
        {classesRoot, L"", false},
        {classesRoot, L"My.Prog\\", false},
        {classesRoot, std::wstring(256, L'P'), false},
        {currentUser, L"Software\\Tamsiver Software", false},
        // The keys of COM and the system, in any letter case, and file types: never a ProgID's.
        {classesRoot, L"clsid\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\\InprocServer32", true},
        {classesRoot, L"CLSID\\CLSID", false},
        {classesRoot, L"clsid\\CurVer", false},
        {classesRoot, L"CLSID\\not-a-guid", false},
        {classesRoot, L"Interface", false},
        {classesRoot, L"interface\\CLSID", false},
        {classesRoot, L"TypeLib\\CLSID", false},
        {classesRoot, L"AppID", false},
        {classesRoot, L"Component Categories\\CurVer", false},
        {classesRoot, L"Wow6432Node\\CLSID", false},
        {classesRoot, L".msi\\CLSID", false},
        {classesRoot, L"*", false},
        {classesRoot, L"My.Prog\\clsid", true},
        {classesRoot, L"My.Prog.1", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(config::applyMayTouch(c.root, c.path), c.touched)
            << std::string(c.path.begin(), c.path.end());
        Journal journal{64, JournalVerb::apply, {{c.root, c.path, {}, {true, {}}}}};
        Journal read;
        EXPECT_EQ(config::decodeJournal(config::encodeJournal(journal), read).empty(),
                  c.touched && c.root != currentUser);
    }
}

}  // namespace
}  // namespace volmora::testing
