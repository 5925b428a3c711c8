// Fuzzes the configuration file reader with raw bytes (any encoding, any nesting). Invariants: a
// refused file says why and leaves no records; an accepted one renders to a text that reads back
// to the same text, with its records sorted and no two names of one collection or record the same
// name.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/configFile.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

template <typename Items, typename Name>
void checkSortedAndDistinct(const Items& items, Name name) {
    for (std::size_t i = 1; i < items.size(); ++i) {
        check(volmora::config::configLess(name(items[i - 1]), name(items[i])));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora::config;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Configuration read;
    const std::wstring refusal = parseConfiguration(bytes, read);
    if (!refusal.empty()) {
        check(read.jvms.empty() && read.servers.empty() && read.classes.empty());
        return 0;
    }
    for (const Collection collection : allCollections) {
        const auto& records = read.records(collection);
        checkSortedAndDistinct(records, [](const Record& r) { return r.name; });
        for (const Record& record : records) {
            checkSortedAndDistinct(record.values, [](const Value& v) { return v.name; });
        }
    }
    const std::string rendered = renderConfiguration(read);
    Configuration again;
    check(parseConfiguration(rendered, again).empty());
    check(renderConfiguration(again) == rendered);
    return 0;
}
