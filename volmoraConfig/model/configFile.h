// The configuration file: what export writes and apply reads. One JSON object with the format
// version and one object per collection; a record is an object of REG_SZ values by name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/configuration.h"
#include "model/textChunks.h"

namespace volmora::config {

inline constexpr std::string_view formatVersionMember = "formatVersion";
inline constexpr int formatVersion = 1;

// A file larger than this is refused before it is parsed: a configuration of 10,000 classes
// with their JVMs and servers takes about 4 MB.
inline constexpr std::size_t maxFileBytes = 32 * 1024 * 1024;

// The file's member name of a collection ("jvms").
std::string_view collectionMember(Collection);

// The configuration as export writes it: UTF-8 without a byte order mark, line feeds, two-space
// indentation, records and values in configLess order (configuration must be sorted). Handed on
// record by record, or whole.
void renderConfiguration(const Configuration& configuration, TextChunks& out);
std::string renderConfiguration(const Configuration& configuration);

// Reads a file's bytes: UTF-8 with or without a byte order mark, or UTF-16 little-endian with
// one. On success returns an empty text and fills configuration (sorted); otherwise returns why
// the file is refused, naming the place (line and column, or collection, record and value).
// Two names of one collection or record that differ only in letter case are refused.
std::wstring parseConfiguration(std::string_view bytes, Configuration& configuration);

}  // namespace volmora::config
