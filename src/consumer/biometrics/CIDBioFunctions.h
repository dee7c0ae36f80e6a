#pragma once

#include <cstdint>

// The C functions of the iDBio reader library (libcidbio.dll on Windows, libcidbio.so here), as the
// module calls them. Every one answers a result code: 0 success, negative a failure. Texts are
// zero-terminated single-byte strings; "out" buffers are allocated by the library and handed back to
// it with the matching CIDBIO_Free* function.
extern "C" {
using TCIDBIO_SetSerialCommPort = int32_t (*)(const char *port);
using TCIDBIO_Init = int32_t (*)();
using TCIDBIO_Terminate = int32_t (*)();
using TCIDBIO_CaptureImage = int32_t (*)(uint8_t **image, int32_t *width, int32_t *height);
using TCIDBIO_CaptureImageAndTemplate
    = int32_t (*)(char **templ, uint8_t **image, int32_t *width, int32_t *height, int32_t *quality);
using TCIDBIO_CaptureAndEnroll = int32_t (*)(int32_t id);
using TCIDBIO_CaptureAndIdentify = int32_t (*)(int32_t *id, int32_t *score, int32_t *quality);
using TCIDBIO_CaptureAndMatch = int32_t (*)(int32_t id, int32_t *score, int32_t *quality);
using TCIDBIO_CheckFingerprint = int32_t (*)(uint8_t **image, int32_t *width, int32_t *height);
using TCIDBIO_CancelCapture = int32_t (*)();
using TCIDBIO_ExtractTemplateFromImage
    = int32_t (*)(int32_t width, int32_t height, const uint8_t *image, char **templ, int32_t *quality);
using TCIDBIO_MergeTemplates = int32_t (*)(const char *t1, const char *t2, const char *t3, char **merged);
using TCIDBIO_MatchTemplates = int32_t (*)(const char *t1, const char *t2, int32_t *score);
using TCIDBIO_MatchTemplateByID = int32_t (*)(int32_t id, const char *templ, int32_t *score);
using TCIDBIO_GetTemplateIDs = int32_t (*)(int32_t **ids, int32_t *count);
using TCIDBIO_GetTemplate = int32_t (*)(int32_t id, char **templ);
using TCIDBIO_SaveTemplate = int32_t (*)(int32_t id, const char *templ);
using TCIDBIO_DeleteTemplate = int32_t (*)(int32_t id);
using TCIDBIO_DeleteAllTemplates = int32_t (*)();
using TCIDBIO_SetParameter = int32_t (*)(int32_t param, const char *value);
using TCIDBIO_GetParameter = int32_t (*)(int32_t param, char **value);
using TCIDBIO_GetDeviceInfo = int32_t (*)(char **info1, char **info2, char **info3);
using TCIDBIO_UpdateFirmware = int32_t (*)(const char *file);
using TCIDBIO_GetErrorMessage = int32_t (*)(int32_t code, char **message);
using TCIDBIO_FreeByteArray = int32_t (*)(uint8_t *buffer);
using TCIDBIO_FreeString = int32_t (*)(char *buffer);
using TCIDBIO_FreeIDArray = int32_t (*)(int32_t *buffer);
}
