// The configuration check: what each record must hold, what its identifiers must name, and what
// the files and COM keys it relies on must be.
#include "check/check.h"

#include <algorithm>
#include <functional>

#include "check/checkComKeys.h"
#include "check/recordFiles.h"
#include "classKeys.h"
#include "classRecord.h"
#include "jvmRecord.h"
#include "nameRules.h"
#include "progIdOwnership.h"
#include "progIdSharing.h"
#include "serverRecord.h"
#include "toolText.h"

namespace volmora::config {

namespace {

// "jvm MyJVM", as the plan of apply names a record.
std::wstring labelOf(Collection collection, const Record& record) {
    return std::wstring(recordNoun(collection)) + L" " + std::wstring(record.name);
}

class Checker {
  public:
    Checker(const Configuration& configuration, Registry& registry, CheckFiles& files,
            const CheckSetting& setting)
        : configuration_(configuration), com_(registry), files_(files), setting_(setting) {}

    std::vector<Problem> run() {
        for (const Record& jvm : configuration_.jvms) {
            checkJvm(jvm);
        }
        for (const Record& server : configuration_.servers) {
            checkServer(server);
        }
        for (const Record& javaClass : configuration_.classes) {
            if (const std::wstring_view* progId = findValue(javaClass, recordValue::progId)) {
                progIdOwners_.add(*progId, javaClass.name);
            }
        }
        for (const Record& javaClass : configuration_.classes) {
            checkClass(javaClass);
        }
        return std::move(problems_);
    }

  private:
    void add(Severity severity, Collection collection, const Record& record, std::wstring label,
             std::wstring text) {
        problems_.push_back(
            {severity, collection, std::wstring(record.name), std::move(label), std::move(text)});
    }

    // A value the record must hold as text; a missing one is an error of the record.
    const std::wstring_view* required(Collection collection, const Record& record,
                                      const std::wstring& label, std::wstring_view name) {
        if (const std::wstring_view* text = findValue(record, name)) {
            return text;
        }
        const bool otherType = std::any_of(record.otherTypes.begin(), record.otherTypes.end(),
                                           [&](std::wstring_view n) { return sameName(n, name); });
        add(Severity::error, collection, record, label,
            std::wstring(name) + (otherType ? L" is not a REG_SZ value" : L" is missing"));
        return nullptr;
    }

    void checkClassPath(const Record& server, const std::wstring& label,
                        std::wstring_view classPath) {
        for (const ClassPathEntry& entry : classPathEntries(classPath)) {
            if (files_.pathKind(entry.path) == PathKind::missing) {
                add(Severity::warning, Collection::servers, server, label,
                    std::wstring(classpathValueName) + L" entry " + quoted(entry.text) +
                        L" does not exist");
            }
        }
    }

    // Every value the record must hold; false when one is missing.
    bool requireAll(Collection collection, const Record& record, const std::wstring& label) {
        bool all = true;
        for (const std::wstring_view name : requiredValues(collection)) {
            all = required(collection, record, label, name) != nullptr && all;
        }
        return all;
    }

    void checkJvm(const Record& jvm) {
        const std::wstring label = labelOf(Collection::jvms, jvm);
        requireAll(Collection::jvms, jvm, label);
        if (const std::wstring_view* dllPath = findValue(jvm, dllPathValue)) {
            if (files_.pathKind(std::wstring(*dllPath)) != PathKind::file) {
                add(Severity::error, Collection::jvms, jvm, label,
                    std::wstring(dllPathValue) + L" names a missing file " + quoted(*dllPath));
            }
        }
        if (const std::wstring_view* options = findValue(jvm, jvmOptionsValue)) {
            const JvmOptionsFault fault = storedJvmOptionsFault(std::wstring(*options));
            if (fault != JvmOptionsFault::none) {
                add(Severity::error, Collection::jvms, jvm, label,
                    std::wstring(jvmOptionsValue) + L": " +
                        std::wstring(jvmOptionsFaultMessage(fault)));
            }
        }
    }

    void checkServer(const Record& server) {
        const std::wstring label = labelOf(Collection::servers, server);
        requireAll(Collection::servers, server, label);
        if (const std::wstring_view* classpath = findValue(server, classpathValueName)) {
            checkClassPath(server, label, *classpath);
        }
        // bindHost always writes Imports; without it the runtime sees a server without imports.
        if (const std::wstring_view* imports = findValue(server, importsValueName)) {
            for (const std::wstring& imported : importedServers(*imports)) {
                if (findRecord(configuration_.servers, imported) == nullptr) {
                    add(Severity::error, Collection::servers, server, label,
                        std::wstring(importsValueName) + L" names no server record " +
                            quoted(imported));
                }
            }
        } else {
            add(Severity::warning, Collection::servers, server, label,
                std::wstring(importsValueName) + L" is missing");
        }
    }

    // Other classes whose ProgIDs own a key that the class's ProgID owns: one of them loses it.
    void checkProgIdKeys(std::wstring_view progId, const Record& javaClass,
                         const std::function<void(std::wstring)>& error) {
        std::vector<const ProgIdKeyOwners::Owner*> said;
        for (const std::wstring& key : progIdKeyNames(progId)) {
            for (const ProgIdKeyOwners::Owner* other : progIdOwners_.ownersOf(key)) {
                if (sameName(other->clsid, javaClass.name) ||
                    std::find(said.begin(), said.end(), other) != said.end()) {
                    continue;
                }
                said.push_back(other);
                const std::wstring otherClass = std::wstring(recordNoun(Collection::classes)) +
                                                L" " + std::wstring(other->clsid);
                error(sameName(other->progId, progId)
                          ? otherClass + L" has the same ProgId"
                          : otherClass + L" (" + std::wstring(other->progId) +
                                L") owns the ProgID key " + quoted(key) + L" too");
            }
        }
    }

    // ProgID keys that another owner holds: a key COM or the system keeps, or one that another
    // product has taken since, whose CLSID names a class without a record in this view.
    void checkProgIdHolders(std::wstring_view progId,
                            const std::function<void(std::wstring)>& error) {
        if (keyNameStatus(progId) != status::success) {
            return;  // said as a name the registry cannot hold
        }
        for (const std::wstring& key : progIdKeyNames(progId)) {
            if (isReservedClassesKey(key)) {
                error(L"the ProgID key " + quoted(key) + L" is one that COM or the system keeps");
                return;
            }
            std::wstring pointer;
            if (readComDefault(com_, classPointerOf(classKeys(key, L"").progId), pointer) &&
                !pointer.empty() && findRecord(configuration_.classes, pointer) == nullptr) {
                error(L"the ProgID key " + quoted(key) + L" has been taken by class " +
                      quoted(pointer) + L", which has no bridge record in this view");
            }
        }
    }

    void checkClass(const Record& javaClass) {
        const std::wstring_view* progId = findValue(javaClass, recordValue::progId);
        std::wstring label = labelOf(Collection::classes, javaClass);
        if (progId != nullptr) {
            label += L" (" + std::wstring(*progId) + L")";
        }
        const auto error = [&](std::wstring text) {
            add(Severity::error, Collection::classes, javaClass, label, std::move(text));
        };

        const bool usableClsid = isBracedGuid(javaClass.name);
        if (!usableClsid) {
            error(L"the CLSID is not a GUID in braces, so COM cannot use it");
        }
        requireAll(Collection::classes, javaClass, label);
        if (const std::wstring_view* jvmId = findValue(javaClass, recordValue::jvmId)) {
            if (findRecord(configuration_.jvms, *jvmId) == nullptr) {
                error(std::wstring(recordValue::jvmId) + L" " + quoted(*jvmId) +
                      L" names no JVM record");
            }
        }
        if (const std::wstring_view* serverId = findValue(javaClass, recordValue::serverId);
            serverId != nullptr && namesServer(*serverId) &&
            findRecord(configuration_.servers, *serverId) == nullptr) {
            error(std::wstring(recordValue::serverId) + L" " + quoted(*serverId) +
                  L" names no server record");
        }
        if (progId != nullptr) {
            checkProgIdKeys(*progId, javaClass, error);
            checkProgIdHolders(*progId, error);
        }
        if (usableClsid) {
            for (ComKeyFinding& finding : checkComKeys(
                     com_, std::wstring(javaClass.name),
                     progId ? std::wstring(*progId) : std::wstring(), setting_.runtimeLibrary)) {
                error(std::move(finding.text));
            }
            checkServerLibrary(javaClass, label);
        }
    }

    // The library COM loads for the class: what its InprocServer32 names now, whatever
    // registration would write.
    void checkServerLibrary(const Record& javaClass, const std::wstring& label) {
        std::wstring library;
        if (!readComDefault(com_,
                            L"CLSID\\" + std::wstring(javaClass.name) + L"\\" +
                                std::wstring(inprocServerSubkey),
                            library) ||
            library.empty()) {
            return;  // the COM keys' finding has said so
        }
        const auto error = [&](std::wstring text) {
            add(Severity::error, Collection::classes, javaClass, label, std::move(text));
        };
        const std::wstring named = std::wstring(inprocServerSubkey) + L" " + quoted(library);
        if (files_.pathKind(library) != PathKind::file) {
            error(std::wstring(inprocServerSubkey) + L" names a missing file " + quoted(library));
        } else if (const auto machine = files_.imageMachine(library); !machine) {
            error(named + L" is not a Windows library");
        } else if (*machine != setting_.machine) {
            error(named + L" is built for " + machineName(*machine) + L", this view needs " +
                  machineName(setting_.machine));
        }
    }

    const Configuration& configuration_;
    ComValueReader com_;
    RememberedFiles files_;
    const CheckSetting& setting_;
    std::vector<Problem> problems_;
    ProgIdKeyOwners progIdOwners_;
};

}  // namespace

std::vector<Problem> checkConfiguration(const Configuration& configuration, Registry& registry,
                                        CheckFiles& files, const CheckSetting& setting) {
    return Checker(configuration, registry, files, setting).run();
}

}  // namespace volmora::config
