// Fakes of the frame's platform for unit tests.
#include "fakePlatform.h"

#include <gtest/gtest.h>

namespace volmora::testing {

std::wstring FakeFileSystem::absolutePathName(const std::wstring& path) {
    bool absolute = (path.size() >= 2 && path[1] == L':') || path.rfind(L"\\\\", 0) == 0;
    if (absolute) {
        return path;
    }
    if (!path.empty() && path.front() == L'\\') {
        return currentFolder.substr(0, 2) + path;
    }
    return currentFolder + L"\\" + path;
}

std::int32_t FakeSystem::createFileSystem(std::unique_ptr<FileSystem>& created) {
    if (fileSystemResult != 0) {
        return fileSystemResult;
    }
    auto fake = std::make_unique<FakeFileSystem>();
    fake->currentFolder = currentFolder;
    fake->files = files;
    fileSystem = fake.get();
    created = std::move(fake);
    return 0;
}

FakeTool::FakeTool(std::wstring_view toolName, std::wstring programPath) {
    system.programPath = std::move(programPath);
    tool.initTool(toolName, FileSystemStart::internalError);
}

ShownMessage FakeTool::onlyMessage() const {
    EXPECT_EQ(messages.shown.size(), 1u);
    return messages.shown.empty() ? ShownMessage{} : messages.shown.front();
}

}  // namespace volmora::testing
