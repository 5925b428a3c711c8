// Registration of a JVM record: the key named by the identifier, then its library path and its
// options. Each step stops the registration at its first failure; nothing is rolled back.
#include "bindRuntime.h"
#include "registrySteps.h"

namespace volmora {

namespace {

constexpr std::wstring_view createFailedPrefix = L"Can't create VOLM JVMs registry settings: ";
constexpr std::wstring_view dllPathFailedPrefix = L"Can't set DllPath registry value: ";
constexpr std::wstring_view optionsFailedPrefix = L"Can't set JvmOptions registry value: ";

std::wstring registeredMessage(const std::wstring& jvmId, const std::wstring& dllPath,
                               const std::wstring& options) {
    std::wstring message = L"JVM " + quoted(jvmId) + L" successfully registered.";
    message += lineBreak;
    message += jvmValueLines(dllPath, options);
    return message;
}

}  // namespace

void addJvm(Tool& tool, const std::wstring& jvmId, const std::wstring& dllPath,
            const std::wstring& options) {
    if (writeRecord(tool, recordCollection::jvms, jvmId, createFailedPrefix,
                    {{dllPathValue, dllPath, dllPathFailedPrefix},
                     {jvmOptionsValue, options, optionsFailedPrefix}})) {
        tool.showInfo(registeredMessage(jvmId, dllPath, options));
    }
}

}  // namespace volmora
