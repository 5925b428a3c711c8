// volmoraMsiStep.dll: the Windows Installer custom actions of a package that configures the
// bridge with volmoraRun. Both read their CustomActionData as one item per line (a line feed
// between items, none after the last), so that each argument arrives on its own:
//
// RunVolmoraStep (deferred) runs volmoraRun and writes what it prints into the installer's log,
// which an exe action's output never reaches (measured under Wine's msiexec); a DLL action's
// messages do. Its CustomActionData:
//   <full path of volmoraRun.exe>
//   <first argument>
//   ...
// It quotes each argument as the programs split them. An argument holding a double quote cannot
// be passed to them whole, so the step fails instead. volmoraRun runs in a job that ends with
// the step and is ended after volmoraRunBoundSeconds. The step fails the install
// (ERROR_INSTALL_FAILURE) when volmoraRun ends with anything but 0.
//
// RemoveTypeLibrary (rollback) removes a type library's registration by its identity, which
// needs neither the library's file nor the runtime's VOLM.dll: a rollback may run after the
// installed files are gone (Wine's msiexec removes them first). Its CustomActionData:
//   {library GUID}
//   major.minor
//   locale id
//   win32 | win64
#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <oleauto.h>

#include <string>
#include <variant>

#include "childProcess.h"
#include "msiStepData.h"
#include "outputLines.h"
#include "registry.h"
#include "runRequest.h"
#include "typeLibRemoval.h"
#include "uniqueHandle.h"
#include "utf8.h"
#include "winRegistry.h"

namespace {

using namespace volmora;
using msistep::Fault;
using msistep::TypeLibIdentity;

// Longer than volmoraRun's own bound for its program, so that volmoraRun can end a program that
// hangs and say so itself; this one ends volmoraRun when it hangs itself.
constexpr DWORD volmoraRunBoundSeconds = 3 * runner::defaultTimeoutSeconds;

struct MsiHandleTraits {
    using Handle = MSIHANDLE;
    static MSIHANDLE empty() { return 0; }
    static bool valid(MSIHANDLE handle) { return handle != 0; }
    static void close(MSIHANDLE handle) { MsiCloseHandle(handle); }
};
using MsiRecord = UniqueHandle<MsiHandleTraits>;

// One line into the installer's log, as it is: field 0, the template, only names field 1.
void logLine(MSIHANDLE install, const std::wstring& line) {
    const MsiRecord record(MsiCreateRecord(1));
    MsiRecordSetStringW(record.get(), 0, L"[1]");
    MsiRecordSetStringW(record.get(), 1, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

void logStep(MSIHANDLE install, const std::wstring& text) {
    logLine(install, L"volmoraMsiStep: " + text);
}

UINT failStep(MSIHANDLE install, const std::wstring& text) {
    logStep(install, text);
    return ERROR_INSTALL_FAILURE;
}

std::wstring errorText(DWORD error) {
    return L": error=" + std::to_wstring(static_cast<long>(error));
}

std::variant<std::wstring, Fault> actionData(MSIHANDLE install) {
    DWORD size = 0;
    wchar_t none[1] = {};
    UINT result = MsiGetPropertyW(install, L"CustomActionData", none, &size);
    if (result != ERROR_MORE_DATA && result != ERROR_SUCCESS) {
        return Fault{L"cannot read CustomActionData" + errorText(result)};
    }
    std::wstring data(size + 1, L'\0');
    size = static_cast<DWORD>(data.size());
    result = MsiGetPropertyW(install, L"CustomActionData", data.data(), &size);
    if (result != ERROR_SUCCESS) {
        return Fault{L"cannot read CustomActionData" + errorText(result)};
    }
    data.resize(size);
    return data;
}

// The action's CustomActionData as that reader reads it, or why it cannot be read.
template <typename Read>
auto readActionData(MSIHANDLE install, Read read) -> decltype(read(std::wstring_view{})) {
    const auto data = actionData(install);
    if (const auto* fault = std::get_if<Fault>(&data)) {
        return *fault;
    }
    return read(std::get<std::wstring>(data));
}

bool isRegistered(Registry& registry, const TypeLibIdentity& library) {
    RegKey key(registry);
    return key.open(classesRoot, msistep::systemKey(library), KeyAccess::read) == status::success;
}

}  // namespace

extern "C" UINT __stdcall RunVolmoraStep(MSIHANDLE install) {
    const auto command = readActionData(install, msistep::readStepCommand);
    if (const auto* fault = std::get_if<Fault>(&command)) {
        return failStep(install, fault->text);
    }
    const auto& [program, arguments] = std::get<msistep::StepCommand>(command);
    ChildStart start;
    start.image = program;
    start.commandLine = runner::childCommandLine(program, arguments);
    start.captureOutput = true;
    start.inJob = true;
    start.creationFlags = CREATE_NO_WINDOW;
    logStep(install, start.commandLine);

    ChildProcess child(start);
    if (!child.started()) {
        return failStep(install, L"cannot start " + program + L" (" + child.failedStep() + L")" +
                                     errorText(child.error()));
    }
    if (child.jobError() != 0) {
        logStep(install, L"volmoraRun runs outside a job of this step (AssignProcessToJobObject)" +
                             errorText(child.jobError()));
    }
    const bool ended = child.wait(volmoraRunBoundSeconds * 1000);
    if (!ended) {
        child.terminate(ERROR_TIMEOUT);
    }
    for (const std::string& line : runner::outputLines(child.output())) {
        logLine(install, fromUtf8(line));
    }
    if (!ended) {
        return failStep(install, L"volmoraRun did not end within " +
                                     std::to_wstring(volmoraRunBoundSeconds) +
                                     L" seconds: ended with everything it started");
    }
    return child.exitCode() == 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

extern "C" UINT __stdcall RemoveTypeLibrary(MSIHANDLE install) {
    const auto identity = readActionData(install, msistep::readTypeLibIdentity);
    if (const auto* fault = std::get_if<Fault>(&identity)) {
        return failStep(install, fault->text);
    }
    const TypeLibIdentity& library = std::get<TypeLibIdentity>(identity);
    const std::wstring name = L"type library " + msistep::systemKey(library);
    GUID guid{};
    if (FAILED(IIDFromString(library.guid.c_str(), &guid))) {
        return failStep(install, L"not a GUID: " + library.guid);
    }
    WinRegistry registry;
    if (!isRegistered(registry, library)) {
        logStep(install, name + L" is not registered: nothing to remove");
        return ERROR_SUCCESS;
    }
    const HRESULT unregistered =
        UnRegisterTypeLib(guid, library.major, library.minor, library.locale,
                          static_cast<SYSKIND>(static_cast<int>(library.system)));
    if (SUCCEEDED(unregistered) && !isRegistered(registry, library)) {
        logStep(install, name + L" removed");
        return ERROR_SUCCESS;
    }
    // The system reads the library's file to unregister it (Wine's fails without it, measured:
    // TYPE_E_INVALIDSTATE); the keys go all the same.
    const long removed = msistep::removeTypeLibraryKeys(registry, library);
    if (removed != status::success) {
        return failStep(install, L"cannot remove " + name + errorText(static_cast<DWORD>(removed)));
    }
    logStep(install, name + L" removed from the registry (UnRegisterTypeLib" +
                         errorText(static_cast<DWORD>(unregistered)) + L")");
    return ERROR_SUCCESS;
}
