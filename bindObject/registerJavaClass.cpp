// Registers a Java class as a COM class: the class record for the bridge runtime, then the COM
// class and ProgID keys that name the runtime library as the class's in-process server.
#include "bindObject.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t messageLabelWidth = 16;
constexpr std::wstring_view inprocServerKey = L"InprocServer32";
constexpr std::wstring_view threadingModelValue = L"ThreadingModel";
// Objects of a bridged class may live in any apartment.
constexpr std::wstring_view threadingModel = L"both";
constexpr std::wstring_view versionSuffix = L".1";

// Shows a step's failure message (head + name + tail + "error=" + code) when result is not 0.
// The text is only built for a failure.
bool stepFailed(const Tool& tool, long result, std::wstring_view head, std::wstring_view name,
                std::wstring_view tail) {
    if (result == status::success) {
        return false;
    }
    std::wstring prefix(head);
    prefix += name;
    prefix += tail;
    tool.showError(errorText(prefix, result));
    return true;
}

bool stepFailed(const Tool& tool, long result, std::wstring_view prefix) {
    return stepFailed(tool, result, prefix, {}, {});
}

long setText(Registry& registry, const RegKey& key, std::wstring_view name,
             const std::wstring& text) {
    return setNamedValue(registry, key.handle(), std::wstring(name), valueType::sz, RegValue(text));
}

long setDefaultText(Registry& registry, const RegKey& key, const std::wstring& subkey,
                    const std::wstring& text) {
    return setKeyDefaultValue(registry, key.handle(), subkey, valueType::sz, text);
}

// Creates or opens path below root once name is usable as one key name.
long createNamedKey(RegKey& key, KeyHandle root, const std::wstring& name,
                    const std::wstring& path) {
    long result = keyNameStatus(name);
    return result != status::success ? result : key.create(root, path);
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
    Registry& registry = tool.registry();
    RegKey record(registry);
    if (stepFailed(tool,
                   createNamedKey(record, localMachine, clsid,
                                  recordPath(recordCollection::classes, clsid)),
                   L"Can't create VOLM CLSID registry settings: ") ||
        stepFailed(tool, setText(registry, record, recordValue::progId, progId),
                   L"Can't set ProgId registry value: ") ||
        stepFailed(tool, setText(registry, record, recordValue::javaClassName, javaClassName),
                   L"Can't set JavaClassName registry value: ") ||
        stepFailed(tool, setText(registry, record, recordValue::jvmId, jvmId),
                   L"Can't set JvmId registry value: ")) {
        return false;
    }
    return serverId.empty() ||
           !stepFailed(tool, setText(registry, record, recordValue::serverId, serverId),
                       L"Can't set ServerId registry value: ");
}

// CLSID\<clsid>: the runtime library as the class's in-process server, and the ProgID.
bool writeComClass(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                   const std::wstring& libraryPath) {
    Registry& registry = tool.registry();
    RegKey comClass(registry);
    if (stepFailed(tool, comClass.create(classesRoot, L"CLSID\\" + clsid),
                   L"Can't create CLSID registry settings: ") ||
        stepFailed(tool,
                   setDefaultText(registry, comClass, std::wstring(inprocServerKey), libraryPath),
                   L"Can't set InprocServer32 registry value: ") ||
        stepFailed(tool, setDefaultText(registry, comClass, L"ProgId", progId),
                   L"Can't set ProgId registry value: ")) {
        return false;
    }
    RegKey server(registry);
    if (stepFailed(
            tool,
            server.open(comClass.handle(), std::wstring(inprocServerKey), KeyAccess::allAccess),
            L"Can't open InprocServer32 registry setting: ")) {
        return false;
    }
    comClass.close();
    return !stepFailed(tool,
                       setText(registry, server, threadingModelValue, std::wstring(threadingModel)),
                       L"Can't set ThreadingModel registry value: ");
}

// <progId> and <progId>.1, both mapped to the CLSID; the plain ProgID names the versioned one.
bool writeProgIds(Tool& tool, const std::wstring& progId, const std::wstring& clsid) {
    Registry& registry = tool.registry();
    const std::wstring versioned = progId + std::wstring(versionSuffix);
    RegKey plain(registry);
    if (stepFailed(tool, createNamedKey(plain, classesRoot, progId, progId), L"Can't create ",
                   progId, L" registry settings: ") ||
        stepFailed(tool, setDefaultText(registry, plain, L"CLSID", clsid), L"Can't set ", progId,
                   L"\\CLSID registry value: ") ||
        stepFailed(tool, setDefaultText(registry, plain, L"CurVer", versioned), L"Can't set ",
                   progId, L"\\CurVer registry value: ")) {
        return false;
    }
    plain.close();
    RegKey version(registry);
    return !stepFailed(tool, version.create(classesRoot, versioned), L"Can't create ", versioned,
                       L" registry settings: ") &&
           !stepFailed(tool, setDefaultText(registry, version, L"CLSID", clsid), L"Can't set ",
                       versioned, L"\\CLSID registry value: ");
}

}  // namespace

void registerJavaClass(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                       const std::wstring& javaClassName, const std::wstring& jvmId,
                       const std::wstring& serverId, const std::wstring& libraryPath) {
    if (writeClassRecord(tool, progId, clsid, javaClassName, jvmId, serverId) &&
        writeComClass(tool, progId, clsid, libraryPath) && writeProgIds(tool, progId, clsid)) {
        tool.showInfo(successText(progId, clsid, javaClassName, jvmId, serverId));
    }
}

}  // namespace volmora
