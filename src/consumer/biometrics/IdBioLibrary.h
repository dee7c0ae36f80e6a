#pragma once

#include "CIDBioFunctions.h"

#include <QString>

// The iDBio reader library, loaded at run time by name the first time a consumer screen starts the
// reader and never unloaded. Each of its functions is bound by name into the consumer unit's pointer
// of the same name; a function the library does not export leaves its pointer null.
namespace IdBioLibrary {

// The platform's name of the library: libcidbio.dll on Windows, libcidbio.so elsewhere.
QString defaultFileName();

// Loads fileName (a path, or a bare name searched where the system searches libraries; empty: the
// default name) unless a library is loaded already, and binds the functions. False when no library
// could be loaded: nothing is bound then, and a later call may try again.
bool load(const QString &fileName);
bool loaded();
// The library loaded, or the last one that could not be, with the system's reason.
QString fileName();
QString loadError();

} // namespace IdBioLibrary

namespace Cli_cns72200 {
extern TCIDBIO_SetSerialCommPort CIDBIO_SetSerialCommPort;
extern TCIDBIO_Init CIDBIO_Init;
extern TCIDBIO_Terminate CIDBIO_Terminate;
extern TCIDBIO_CaptureImage CIDBIO_CaptureImage;
extern TCIDBIO_CaptureImageAndTemplate CIDBIO_CaptureImageAndTemplate;
extern TCIDBIO_CaptureAndEnroll CIDBIO_CaptureAndEnroll;
extern TCIDBIO_CaptureAndIdentify CIDBIO_CaptureAndIdentify;
extern TCIDBIO_CaptureAndMatch CIDBIO_CaptureAndMatch;
extern TCIDBIO_CheckFingerprint CIDBIO_CheckFingerprint;
extern TCIDBIO_CancelCapture CIDBIO_CancelCapture;
extern TCIDBIO_ExtractTemplateFromImage CIDBIO_ExtractTemplateFromImage;
extern TCIDBIO_MergeTemplates CIDBIO_MergeTemplates;
extern TCIDBIO_MatchTemplates CIDBIO_MatchTemplates;
extern TCIDBIO_MatchTemplateByID CIDBIO_MatchTemplateByID;
extern TCIDBIO_GetTemplateIDs CIDBIO_GetTemplateIDs;
extern TCIDBIO_GetTemplate CIDBIO_GetTemplate;
extern TCIDBIO_SaveTemplate CIDBIO_SaveTemplate;
extern TCIDBIO_DeleteTemplate CIDBIO_DeleteTemplate;
extern TCIDBIO_DeleteAllTemplates CIDBIO_DeleteAllTemplates;
extern TCIDBIO_SetParameter CIDBIO_SetParameter;
extern TCIDBIO_GetParameter CIDBIO_GetParameter;
extern TCIDBIO_GetDeviceInfo CIDBIO_GetDeviceInfo;
extern TCIDBIO_UpdateFirmware CIDBIO_UpdateFirmware;
extern TCIDBIO_GetErrorMessage CIDBIO_GetErrorMessage;
extern TCIDBIO_FreeByteArray CIDBIO_FreeByteArray;
extern TCIDBIO_FreeString CIDBIO_FreeString;
extern TCIDBIO_FreeIDArray CIDBIO_FreeIDArray;
} // namespace Cli_cns72200
