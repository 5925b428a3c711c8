// A security descriptor made from its text form (SDDL), freed when it goes: the journal's folder
// and file and the configuration's lock are made with one each.
#pragma once

#include <windows.h>

#include <sddl.h>

#include "ownedHandles.h"

namespace volmora::config {

class SecurityDescriptor {
  public:
    explicit SecurityDescriptor(const wchar_t* text) {
        PSECURITY_DESCRIPTOR made = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &made,
                                                                 nullptr)) {
            memory_.reset(made);
        } else {
            error_ = static_cast<long>(GetLastError());
        }
    }
    // 0, or the status of making it.
    long error() const { return error_; }
    SECURITY_ATTRIBUTES attributes() const {
        return {sizeof(SECURITY_ATTRIBUTES), memory_.get(), FALSE};
    }

  private:
    LocalMemory memory_;
    long error_ = ERROR_SUCCESS;
};

}  // namespace volmora::config
