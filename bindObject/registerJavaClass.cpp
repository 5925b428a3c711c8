// Registers a Java class as a COM class: the class record for the bridge runtime, then the COM
// class and ProgID keys that name the runtime library as the class's in-process server.
#include "bindObject.h"
#include "classKeys.h"
#include "nameRules.h"
#include "regUtil.h"
#include "registrySteps.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t messageLabelWidth = 16;
constexpr std::wstring_view recordCreateFailure = L"Can't create VOLM CLSID registry settings: ";

std::wstring createFailure(const OwnKey& own) {
    return L"Can't create " + own.createName + L" registry settings: ";
}

std::wstring successText(const std::wstring& progId, const std::wstring& clsid,
                         const std::wstring& javaClassName, const std::wstring& jvmId,
                         const std::wstring& serverId) {
    const auto w = messageLabelWidth;
    std::wstring text = joinLines(
        {L"Java class successfully registered.", labelledLine(L"ProgId:", w, progId),
         labelledLine(L"CLSID:", w, clsid), labelledLine(L"Java class:", w, javaClassName),
         labelledLine(L"JVM ID:", w, jvmId)});
    if (!serverId.empty()) {
        text += lineBreak;
        text += labelledLine(L"ServerId:", w, serverId);
    }
    return text;
}

// The class record: the Java class, its JVM and, when given, its server.
bool writeClassRecord(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                      const std::wstring& javaClassName, const std::wstring& jvmId,
                      const std::wstring& serverId) {
    std::vector<TextValueStep> values = {
        {recordValue::progId, progId, L"Can't set ProgId registry value: "},
        {recordValue::javaClassName, javaClassName, L"Can't set JavaClassName registry value: "},
        {recordValue::jvmId, jvmId, L"Can't set JvmId registry value: "},
    };
    if (!serverId.empty()) {
        values.push_back({recordValue::serverId, serverId, L"Can't set ServerId registry value: "});
    }
    return writeRecord(tool, recordCollection::classes, clsid, recordCreateFailure, values);
}

// Creates or opens one of the class's own keys and sets the default values of its subkeys; key
// stays open for the caller.
bool writeOwnKey(Tool& tool, const OwnKey& own, RegKey& key) {
    if (!stepSucceeded(tool, key.create(classesRoot, own.path), createFailure(own))) {
        return false;
    }
    for (const auto& entry : own.defaults) {
        const std::wstring subkey(entry.subkey);
        if (!stepSucceeded(tool,
                           setKeyDefaultValue(tool.registry(), key.handle(), subkey, valueType::sz,
                                              entry.text),
                           L"Can't set " + own.subkeyNamePrefix + subkey + L" registry value: ")) {
            return false;
        }
    }
    return true;
}

// CLSID\<clsid> with its subkeys, then the threading model on the in-process server key.
bool writeComClass(Tool& tool, const OwnKey& comClass) {
    RegKey key(tool.registry());
    if (!writeOwnKey(tool, comClass, key)) {
        return false;
    }
    RegKey server(tool.registry());
    if (!stepSucceeded(
            tool, server.open(key.handle(), std::wstring(inprocServerSubkey), KeyAccess::allAccess),
            L"Can't open InprocServer32 registry setting: ")) {
        return false;
    }
    key.close();
    return stepSucceeded(
        tool,
        setTextValue(tool.registry(), server, threadingModelValue, std::wstring(threadingModel)),
        L"Can't set ThreadingModel registry value: ");
}

bool writeProgIdKey(Tool& tool, const OwnKey& own) {
    RegKey key(tool.registry());
    return writeOwnKey(tool, own, key);
}

}  // namespace

void registerJavaClass(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                       const std::wstring& javaClassName, const std::wstring& jvmId,
                       const std::wstring& serverId, const std::wstring& libraryPath) {
    const ClassKeys keys = classKeys(progId, clsid, libraryPath);
    // A CLSID or ProgID that is not one key name would reach keys below or above the ones
    // registration writes: both are refused before anything is written.
    if (!stepSucceeded(tool, keyNameStatus(clsid), recordCreateFailure) ||
        !stepSucceeded(tool, keyNameStatus(progId), createFailure(keys.progId))) {
        return;
    }
    if (writeClassRecord(tool, progId, clsid, javaClassName, jvmId, serverId) &&
        writeComClass(tool, keys.comClass) && writeProgIdKey(tool, keys.progId) &&
        writeProgIdKey(tool, keys.versioned)) {
        tool.showInfo(successText(progId, clsid, javaClassName, jvmId, serverId));
    }
}

}  // namespace volmora
