// Records for a test's configuration, each given whole.
#pragma once

#include <initializer_list>
#include <string_view>

#include "model/configuration.h"

namespace volmora::testing {

inline void addRecord(config::Configuration& configuration, config::Collection collection,
                      std::wstring_view name, std::initializer_list<config::Value> values = {}) {
    configuration.startRecord(collection, name);
    for (const config::Value& value : values) {
        configuration.addValue(value.name, value.text);
    }
    configuration.endRecord();
}

}  // namespace volmora::testing
