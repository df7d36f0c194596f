/* The interface between the update-check host (TCCC_Comp) and an update
 * component library. The host loads the library by path, finds these entry
 * points by name (any of them may be missing; the host then skips that call)
 * and calls them all on the GUI thread, except CompInitialization, which runs
 * on a thread of its own.
 *
 *   void CompInitialization(char* downloadedFile);
 *       downloadedFile points at CCC_DOWNLOADED_FILE_SIZE bytes, the first
 *       one 0. The library may fill in the path of a downloaded new version
 *       of itself (ending in ".tmp", plain or SZDD-compressed); the host then
 *       installs it. A first character not above '0' (other than the '/' of
 *       an absolute path) means there is nothing to install.
 *   void CompFinalization(void);          before the library is released
 *   void CompMouseLeftClick(void);        left button released
 *   void CompMouseLeftDoubleClick(void);
 *   void CompMouseRightClick(void);       right button pressed
 *   void CompMouseRightDoubleClick(void);
 *   void CompPaint(int32_t* cursor, CCC_Canvas* canvas);
 *       draws the component's face; *cursor may be set to a CCC_Cursor.
 *   void CompMessage(void);               looked up, never called
 *   void DllToDownload(const char* name); the host's component name
 *
 * Everything is plain C so that a library built by any compiler can serve.
 */
#ifndef PARROTEL_COMPONENT_API_H
#define PARROTEL_COMPONENT_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CCC_DOWNLOADED_FILE_SIZE 260

typedef enum CCC_Cursor {
    CCC_CURSOR_DEFAULT = 0,
    CCC_CURSOR_HAND = 1,
    CCC_CURSOR_WAIT = 2,
    CCC_CURSOR_TEXT = 3
} CCC_Cursor;

/* Colours are 0xRRGGBB. Coordinates are pixels in the host control, origin at
 * its top-left corner; rectangles run from left, top up to but not including
 * right, bottom. Text is UTF-8. The canvas keeps what was drawn between
 * paints; the host shows it whenever the control is exposed. */
typedef struct CCC_Canvas {
    uint32_t structSize; /* sizeof(CCC_Canvas) as the host knows it */
    int32_t width;
    int32_t height;
    void* context;

    void (*SetPen)(void* context, uint32_t rgb, int32_t width); /* width 0: no outline */
    void (*SetBrush)(void* context, uint32_t rgb, int32_t solid); /* solid 0: hollow */
    void (*SetFont)(void* context, const char* family, int32_t pointSize, int32_t bold, uint32_t rgb);

    void (*FillRect)(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom); /* brush only */
    void (*Rectangle)(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void (*Ellipse)(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void (*MoveTo)(void* context, int32_t x, int32_t y);
    void (*LineTo)(void* context, int32_t x, int32_t y);
    void (*TextOut)(void* context, int32_t x, int32_t y, const char* text); /* x, y: top-left */
    int32_t (*TextWidth)(void* context, const char* text);
    int32_t (*TextHeight)(void* context, const char* text);
    /* 32-bit pixels 0xAARRGGBB, rows of strideBytes. */
    void (*DrawPixels)(void* context, int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels,
                       int32_t strideBytes);
} CCC_Canvas;

typedef void (*CCC_InitializationProc)(char* downloadedFile);
typedef void (*CCC_NotifyProc)(void);
typedef void (*CCC_PaintProc)(int32_t* cursor, CCC_Canvas* canvas);
typedef void (*CCC_DllToDownloadProc)(const char* name);

#ifdef __cplusplus
}
#endif

#endif /* PARROTEL_COMPONENT_API_H */
