// GoogleTest helpers for what a run showed.
#include "expectations.h"

#include "platformLimits.h"
#include "utf8.h"

namespace volmora::e2e {

std::string narrow(const std::wstring& text) {
    return utf8(text);
}

void PrintTo(BoxIcon icon, std::ostream* out) {
    *out << narrow(boxIconName(icon));
}

void PrintTo(const MessageBoxSeen& box, std::ostream* out) {
    *out << "[" << narrow(boxIconName(box.icon)) << "] \"" << narrow(box.caption) << "\": \""
         << narrow(box.text) << "\"";
}

void expectOneBox(const RunResult& result, BoxIcon icon, const std::wstring& caption,
                  const std::wstring& text) {
    EXPECT_FALSE(result.timedOut);
    ASSERT_EQ(result.boxes.size(), 1u)
        << "message boxes: " << ::testing::PrintToString(result.boxes);
    expectBoxIcon(result.boxes[0], icon);
    EXPECT_EQ(narrow(result.boxes[0].caption), narrow(caption));
    EXPECT_EQ(narrow(result.boxes[0].text), narrow(text));
}

void expectBoxIcon(const MessageBoxSeen& box, BoxIcon icon) {
    if (checkableHere(PlatformLimit::noIcons, "message box icon")) {
        EXPECT_EQ(box.icon, icon) << "in " << ::testing::PrintToString(box);
    }
}

void expectNoBox(const RunResult& result) {
    EXPECT_FALSE(result.timedOut);
    EXPECT_TRUE(result.boxes.empty())
        << "message boxes: " << ::testing::PrintToString(result.boxes);
}

}  // namespace volmora::e2e
