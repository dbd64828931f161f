// The C functions of lm_mail.so over the mail control's core.

#include <cstring>
#include <new>

#include "mailctl/lm_mail.h"
#include "mailctl/mail_control.h"

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
        const auto value = lumbrel::mailctl::property(control->properties, name);
        if (!value || value->size() >= INT32_MAX) return 0;
        const auto needed = static_cast<int32_t>(value->size() + 1);
        if (buffer && size >= needed) std::memcpy(buffer, value->c_str(), value->size() + 1);
        return needed;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) void LmMailDoClick(LmMailControl* control) {
    if (control) lumbrel::mailctl::doClick(control->properties);
}

}  // extern "C"
