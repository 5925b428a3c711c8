// volmoraConfig check: the problems of one registry view's configuration, found over the records
// as read, the COM keys below HKEY_CLASSES_ROOT and the files the records name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/checkFiles.h"
#include "model/configuration.h"
#include "registry.h"

namespace volmora::config {

enum class Severity { error, warning };

struct Problem {
    Severity severity = Severity::error;
    Collection collection = Collection::classes;
    std::wstring record;  // the record's key name as stored
    std::wstring label;   // how a line names the record: "class {...} (My.Prog)", "jvm MyJVM"
    std::wstring text;    // what is wrong
};

// What registration would write where the records leave it open.
struct CheckSetting {
    std::wstring runtimeLibrary;  // every class's in-process server, as bindObject finds it
    std::uint16_t machine = 0;    // the image machine of a library this view can load
};

// Every problem, record by record: the JVMs, the servers, then the classes, each in the
// configuration's order. registry serves the COM keys below HKEY_CLASSES_ROOT as this view sees
// them; each file is looked at once however many records name it.
std::vector<Problem> checkConfiguration(const Configuration& configuration, Registry& registry,
                                        CheckFiles& files, const CheckSetting& setting);

}  // namespace volmora::config
