// The C functions of LM_QM.so over the print-launch control's core.

#include <cstdio>
#include <new>

#include "platform/c_buffer.h"
#include "printctl/LM_QM.h"
#include "printctl/print_control.h"

struct LmQmControl {
    lumbrel::printctl::PrintProperties properties;
};

extern "C" {

__attribute__((visibility("default"))) LmQmControl* LmQmCreate(void) { return new (std::nothrow) LmQmControl; }

__attribute__((visibility("default"))) void LmQmDestroy(LmQmControl* control) { delete control; }

__attribute__((visibility("default"))) int32_t LmQmSetProperty(LmQmControl* control, const char* name,
                                                               const char* value) {
    if (!control || !name || !value) return 0;
    try {
        return lumbrel::printctl::setProperty(control->properties, name, value) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) int32_t LmQmGetProperty(const LmQmControl* control, const char* name,
                                                               char* buffer, int32_t size) {
    if (!control || !name) return 0;
    try {
        return lumbrel::platform::copyToBuffer(lumbrel::printctl::property(control->properties, name), buffer, size);
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) void LmQmDoClick(LmQmControl* control) {
    if (control) lumbrel::printctl::doClick(control->properties);
}

__attribute__((visibility("default"))) void LmQmAboutBox(LmQmControl*) {
    const std::string_view text = lumbrel::printctl::kAboutText;
    std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(stdout);
}

}  // extern "C"
