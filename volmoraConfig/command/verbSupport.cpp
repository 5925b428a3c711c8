// What the verbs share: the lock, reading the machine, the rights check and writing the
// configuration.
#include "command/verbSupport.h"
#include "exitCodes.h"
#include "model/configFile.h"
#include "plan/applyRefusals.h"
#include "toolText.h"

namespace volmora::config {

bool lockConfiguration(ConfigHost& host) {
    std::wstring why;
    if (const long result = host.lock(why); result != status::success) {
        host.writeError(errorText(L"Can't lock the configuration (" + why + L"): ", result));
        return false;
    }
    return true;
}

bool readView(ConfigHost& host, KeyAccess access, Configuration& configuration) {
    const ReadFailure failure = readConfiguration(host.registry(), access, configuration);
    if (failure.code != status::success) {
        host.writeError(errorText(failure.step + L": ", failure.code));
        return false;
    }
    return true;
}

bool readMachine(ConfigHost& host, Machine& machine) {
    return readView(host, KeyAccess::read, machine.own) &&
           readView(host, KeyAccess::readOtherView, machine.other);
}

std::int32_t refuseWithoutRights(ConfigHost& host) {
    const ReadFailure rights = checkWriteRights(host.registry());
    if (rights.code == status::accessDenied) {
        host.writeError(errorText(L"No rights to write the configuration: " + rights.step + L": ",
                                  rights.code));
        host.writeError(nothingChanged);
        return exitCode::noRights;
    }
    if (rights.code != status::success) {
        host.writeError(errorText(rights.step + L": ", rights.code));
        return exitCode::registryUnreadable;
    }
    return exitCode::success;
}

std::int32_t writeConfiguration(ConfigHost& host, const std::wstring& path,
                                const Configuration& configuration) {
    if (path.empty()) {
        TextChunks out([&host](std::string_view chunk) { host.writeOut(chunk); });
        renderConfiguration(configuration, out);
        return exitCode::success;
    }
    std::unique_ptr<OutputFile> file;
    long result = host.createFile(path, file);
    if (result == status::success) {
        // After a failed write the rest is only rendered, not written.
        TextChunks out([&](std::string_view chunk) {
            if (result == status::success) {
                result = file->append(chunk);
            }
        });
        renderConfiguration(configuration, out);
    }
    if (result != status::success) {
        host.writeError(fileFailure(L"write", path, result));
        return exitCode::fileUnusable;
    }
    return exitCode::success;
}

}  // namespace volmora::config
