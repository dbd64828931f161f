// The C functions of lm_mail.so over the mail control's core.

#include <new>

#include "mailctl/lm_mail.h"
#include "mailctl/mail_control.h"
#include "platform/c_buffer.h"

struct LmMailControl {
    lumbrel::mailctl::MailProperties properties;
};

extern "C" {

__attribute__((visibility("default"))) LmMailControl* LmMailCreate(void) { return new (std::nothrow) LmMailControl; }

__attribute__((visibility("default"))) void LmMailDestroy(LmMailControl* control) { delete control; }

__attribute__((visibility("default"))) int32_t LmMailSetProperty(LmMailControl* control, const char* name,
                                                                 const char* value) {
    if (!control || !name || !value) return 0;
    try {
        return lumbrel::mailctl::setProperty(control->properties, name, value) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) int32_t LmMailGetProperty(const LmMailControl* control, const char* name,
                                                                 char* buffer, int32_t size) {
    if (!control || !name) return 0;
    try {
        return lumbrel::platform::copyToBuffer(lumbrel::mailctl::property(control->properties, name), buffer, size);
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) void LmMailDoClick(LmMailControl* control) {
    if (control) lumbrel::mailctl::doClick(control->properties);
}

}  // extern "C"
