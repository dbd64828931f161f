/* The boundary between Lumbrel and its template plug-ins.
 *
 * A template plug-in is a shared object in the program's Plugins folder that
 * exports these six functions with C linkage. Every call may come from a
 * freshly loaded copy: the host loads the plug-in, calls one or two functions
 * and unloads it again, so no function keeps state between calls.
 *
 * Sizes are asked first with a null buffer; the caller then allocates exactly
 * that many bytes and calls again with the buffer. An index at or above the
 * number of entries returns 0 and leaves the buffer untouched.
 *
 * Name lists (template titles, colour pattern names): one entry after the
 * other, each a length byte L (text length + 2), the text, a 0 byte; after the
 * last entry one more 0 byte. The next entry starts L bytes after this one.
 *
 * This header is plain C and shared by the host and the plug-in. */
#ifndef LUMBREL_KDPLUGIN_H
#define LUMBREL_KDPLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* module: the handle the host got when it loaded this very plug-in (a null
 * handle, or the handle of another module, gives 0). Null buffer: size of the
 * name list of template titles; with a buffer: fills it and returns the number
 * of titles. */
int32_t GetPluginTitle(void* module, uint8_t* buffer);

/* The same contract over the colour pattern names. */
int32_t GetColorPattern(void* module, uint8_t* buffer);

/* Overview text of template templateIndex: its length + 1, and with a buffer
 * the text with its terminating 0. */
int32_t GetTemplateSummary(int32_t templateIndex, uint8_t* buffer);

/* Colour sample of a pattern as a BMP file (100 x 40, 24 bits): its size, and
 * with a buffer the file's bytes. */
int32_t GetTemplateColorSample(int32_t patternIndex, uint8_t* buffer);

/* The same sample without the 14-byte file header (information header and
 * pixels). */
int32_t GetTemplateColorSampleDIB(int32_t patternIndex, uint8_t* buffer);

/* Writes the album pages of one library.
 *   libraryPath   full path of the library folder, no trailing separator
 *   imagePaths    the library's image file paths in library order
 *   imageCount    number of entries in imagePaths
 *   templateIndex template type (0-3 for KdPlugin)
 *   patternIndex  colour pattern (0-16 for KdPlugin)
 *   printButton   0 = the pages offer the print button, other = they do not
 *   mailSizeCode  mail image size: 0 = 640 x 480, 1 = 320 x 240
 *   mailName      display name of the chosen mail program
 * Non-zero when every page was written, 0 otherwise (pages already written
 * stay on disk). */
int32_t MakeHtmlFile(const char* libraryPath, const char* const* imagePaths, int32_t imageCount,
                     int32_t templateIndex, int32_t patternIndex, int32_t printButton,
                     int32_t mailSizeCode, const char* mailName);

/* Function pointer types for the host's dlsym look-ups. */
typedef int32_t (*KdNameListFn)(void*, uint8_t*);
typedef int32_t (*KdIndexedBytesFn)(int32_t, uint8_t*);
typedef int32_t (*KdMakeHtmlFileFn)(const char*, const char* const*, int32_t, int32_t, int32_t,
                                    int32_t, int32_t, const char*);

#ifdef __cplusplus
}
#endif

#endif
