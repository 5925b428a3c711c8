// The journal's file format: what an apply (or a restore) is about to change, key by key, with
// the state of each key before and after, written before the first write so that a run ended
// part-way can be put back. /backup writes the same format. Every value is kept with its type and
// exact bytes; a CRC-32 over the content tells a whole file from a damaged one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/journalSink.h"
#include "journal/keyChanges.h"

namespace volmora::config {

// The registry view of this build: a journal is put back only by a program of the same view.
inline constexpr std::uint32_t ownViewBits = sizeof(void*) * 8;

// The largest journal (or backup) read: far beyond what an apply of the largest file writes.
inline constexpr std::size_t maxJournalBytes = std::size_t{256} << 20;

// What wrote the file.
enum class JournalVerb : std::uint32_t { apply = 1, restore = 2, backup = 3 };

struct Journal {
    std::uint32_t viewBits = ownViewBits;  // 32 or 64
    JournalVerb verb = JournalVerb::apply;
    std::vector<KeyChange> changes;  // parents before their subkeys
};

// A journal in memory.
class StringJournalSink : public JournalSink {
  public:
    std::string bytes;
    long append(std::string_view more) override;
    long overwrite(std::size_t offset, std::string_view field) override;
};

// Writes a journal key by key as the changes are read, so that it is never held whole: the start
// when it is made, each key as it is added, the number of keys and the checksum at the end.
// A journal that would pass limit bytes, which recover and restore would refuse to read, is cut
// off there: the sink gets no more, and finish returns fileTooLarge.
class JournalEncoder {
  public:
    JournalEncoder(JournalSink& sink, std::uint32_t viewBits, JournalVerb verb,
                   std::size_t limit = maxJournalBytes);
    JournalEncoder(const JournalEncoder&) = delete;
    JournalEncoder& operator=(const JournalEncoder&) = delete;
    void add(const KeyChange& change);
    // Ends the journal: 0, or the sink's first failure.
    long finish();

  private:
    void pass();

    JournalSink& sink_;
    std::string start_;
    std::string pending_;
    std::uint32_t restSum_ = 0;
    std::uint64_t restBytes_ = 0;
    std::uint32_t keys_ = 0;
    std::size_t limit_;
    long status_ = 0;
};

std::string encodeJournal(const Journal& journal);

// Reads a journal: empty when it is whole, else why it is refused (a checksum that does not match,
// a file that ends early or goes on past its end, an unknown format version, view or verb, a key
// outside those that apply may touch). A refused journal leaves journal empty.
std::wstring decodeJournal(std::string_view bytes, Journal& journal);

// Whether apply may touch the key: the configuration root, the keys on the way to it below the
// first level, its collections and their records; below HKEY_CLASSES_ROOT, the COM key of a class
// and its subkeys, and a ProgID key (plain or versioned) and its subkeys.
bool applyMayTouch(KeyHandle root, const std::wstring& path);

// "apply", "restore" or "backup".
std::wstring_view journalVerbName(JournalVerb verb);

}  // namespace volmora::config
