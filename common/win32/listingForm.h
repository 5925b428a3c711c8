// The listing window: a resizable window with a read-only text and an OK button, whose
// placement is kept per user and shared by the tools.
#pragma once

#include "platform.h"

namespace volmora {

class ListingForms : public ListingWindows {
public:
    void open(const std::wstring& listingTitle, const std::wstring& listingText) override;
    bool anyOpen() override;
    void serveUntilClosed() override;
};

}  // namespace volmora
