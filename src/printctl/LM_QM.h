/* The boundary between a page host and the print-launch control LM_QM.so.
 *
 * A host makes a control object, sets its properties by name (compared
 * ignoring ASCII case), calls LmQmDoClick or LmQmAboutBox and destroys it:
 *   ImagePath   the library folder (the folder holding the album's HTML
 *               folder), without trailing "/"
 *   ImageFile   path of the picture relative to ImagePath; empty for none
 * Texts are UTF-8 with a terminating 0.
 *
 * This header is plain C and shared by the host and the control. */
#ifndef LUMBREL_LM_QM_H
#define LUMBREL_LM_QM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct LmQmControl LmQmControl;

/* A control with empty properties; null when out of memory. */
LmQmControl* LmQmCreate(void);
void LmQmDestroy(LmQmControl* control);

/* Sets a property: 1 when set, 0 for an unknown name or a null argument. */
int32_t LmQmSetProperty(LmQmControl* control, const char* name, const char* value);

/* A property's value as text: its length + 1, and with a buffer of at least
 * that size the text with its terminating 0. 0 for an unknown name. */
int32_t LmQmGetProperty(const LmQmControl* control, const char* name, char* buffer, int32_t size);

/* Starts the print program with the library's album (and the picture)
 * preselected; does not wait for it. Failures are silent. */
void LmQmDoClick(LmQmControl* control);

/* Writes the control's name and version to standard output. */
void LmQmAboutBox(LmQmControl* control);

typedef LmQmControl* (*LmQmCreateFn)(void);
typedef void (*LmQmDestroyFn)(LmQmControl*);
typedef int32_t (*LmQmSetPropertyFn)(LmQmControl*, const char*, const char*);
typedef int32_t (*LmQmGetPropertyFn)(const LmQmControl*, const char*, char*, int32_t);
typedef void (*LmQmDoClickFn)(LmQmControl*);
typedef void (*LmQmAboutBoxFn)(LmQmControl*);

#ifdef __cplusplus
}
#endif

#endif
