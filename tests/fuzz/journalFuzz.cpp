// Fuzzes the journal reader. The first byte chooses the input: odd, the rest is taken as the
// content after the journal's first line and gets its matching checksum, so that the fuzzer
// reaches the fields; even, the rest is read as it is. Invariants: a refused journal says why and
// holds no key; an accepted one holds only keys that apply touches and encodes to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "journal/crc32.h"
#include "journal/journalFormat.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora::config;
    if (size == 0) {
        return 0;
    }
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        bytes = "volmoraConfig journal\n" + bytes;
        const std::uint32_t sum = crc32(bytes);
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>(sum >> (8 * i));
        }
    }
    Journal journal;
    const std::wstring refusal = decodeJournal(bytes, journal);
    if (!refusal.empty()) {
        check(journal.changes.empty());
        return 0;
    }
    for (const KeyChange& change : journal.changes) {
        check(applyMayTouch(change.root, change.path));
    }
    check(encodeJournal(journal) == bytes);
    return 0;
}
