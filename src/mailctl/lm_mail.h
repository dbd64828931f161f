/* The boundary between a page host and the mail control lm_mail.so.
 *
 * A host makes a control object, sets its properties by name (as a page's
 * script or its PARAM elements would), calls LmMailDoClick and destroys the
 * object. Property names are compared ignoring ASCII case:
 *   ImagePath             folder of the picture, without trailing "/"
 *   ImageFile             file name of the picture within that folder
 *   MailName, "Mailer"    display name of the mail program chosen in Lumbrel
 *   TempSize, "ImageSize" 0: fit into 640 x 480; other: into 320 x 240
 *                         (a decimal 16-bit integer)
 * Texts are UTF-8 with a terminating 0.
 *
 * This header is plain C and shared by the host and the control. */
#ifndef LUMBREL_LM_MAIL_H
#define LUMBREL_LM_MAIL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct LmMailControl LmMailControl;

/* A control with empty properties (size code 0); null when out of memory. */
LmMailControl* LmMailCreate(void);
void LmMailDestroy(LmMailControl* control);

/* Sets a property: 1 when set, 0 for an unknown name, a null argument or a
 * value the property cannot hold (it then keeps its value). */
int32_t LmMailSetProperty(LmMailControl* control, const char* name, const char* value);

/* A property's value as text: its length + 1, and with a buffer of at least
 * that size the text with its terminating 0. 0 for an unknown name. */
int32_t LmMailGetProperty(const LmMailControl* control, const char* name, char* buffer, int32_t size);

/* Opens the chosen mail program's compose window with the picture attached
 * (shrunk to the size code's box when larger) and returns when the mail
 * program's compose command has ended. Failures are silent. */
void LmMailDoClick(LmMailControl* control);

typedef LmMailControl* (*LmMailCreateFn)(void);
typedef void (*LmMailDestroyFn)(LmMailControl*);
typedef int32_t (*LmMailSetPropertyFn)(LmMailControl*, const char*, const char*);
typedef int32_t (*LmMailGetPropertyFn)(const LmMailControl*, const char*, char*, int32_t);
typedef void (*LmMailDoClickFn)(LmMailControl*);

#ifdef __cplusplus
}
#endif

#endif
