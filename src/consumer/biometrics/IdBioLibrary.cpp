#include "IdBioLibrary.h"

#include <QLibrary>

namespace Cli_cns72200 {
TCIDBIO_SetSerialCommPort CIDBIO_SetSerialCommPort = nullptr;
TCIDBIO_Init CIDBIO_Init = nullptr;
TCIDBIO_Terminate CIDBIO_Terminate = nullptr;
TCIDBIO_CaptureImage CIDBIO_CaptureImage = nullptr;
TCIDBIO_CaptureImageAndTemplate CIDBIO_CaptureImageAndTemplate = nullptr;
TCIDBIO_CaptureAndEnroll CIDBIO_CaptureAndEnroll = nullptr;
TCIDBIO_CaptureAndIdentify CIDBIO_CaptureAndIdentify = nullptr;
TCIDBIO_CaptureAndMatch CIDBIO_CaptureAndMatch = nullptr;
TCIDBIO_CheckFingerprint CIDBIO_CheckFingerprint = nullptr;
TCIDBIO_CancelCapture CIDBIO_CancelCapture = nullptr;
TCIDBIO_ExtractTemplateFromImage CIDBIO_ExtractTemplateFromImage = nullptr;
TCIDBIO_MergeTemplates CIDBIO_MergeTemplates = nullptr;
TCIDBIO_MatchTemplates CIDBIO_MatchTemplates = nullptr;
TCIDBIO_MatchTemplateByID CIDBIO_MatchTemplateByID = nullptr;
TCIDBIO_GetTemplateIDs CIDBIO_GetTemplateIDs = nullptr;
TCIDBIO_GetTemplate CIDBIO_GetTemplate = nullptr;
TCIDBIO_SaveTemplate CIDBIO_SaveTemplate = nullptr;
TCIDBIO_DeleteTemplate CIDBIO_DeleteTemplate = nullptr;
TCIDBIO_DeleteAllTemplates CIDBIO_DeleteAllTemplates = nullptr;
TCIDBIO_SetParameter CIDBIO_SetParameter = nullptr;
TCIDBIO_GetParameter CIDBIO_GetParameter = nullptr;
TCIDBIO_GetDeviceInfo CIDBIO_GetDeviceInfo = nullptr;
TCIDBIO_UpdateFirmware CIDBIO_UpdateFirmware = nullptr;
TCIDBIO_GetErrorMessage CIDBIO_GetErrorMessage = nullptr;
TCIDBIO_FreeByteArray CIDBIO_FreeByteArray = nullptr;
TCIDBIO_FreeString CIDBIO_FreeString = nullptr;
TCIDBIO_FreeIDArray CIDBIO_FreeIDArray = nullptr;
} // namespace Cli_cns72200

namespace IdBioLibrary {

namespace {

// Kept for the life of the process: the bound pointers must never outlive the library.
QLibrary *g_library = nullptr;
QString g_fileName;
QString g_error;

template<typename F> void bind(QLibrary &lib, const char *name, F &slot)
{
    slot = reinterpret_cast<F>(lib.resolve(name));
}

void bindAll(QLibrary &lib)
{
    using namespace Cli_cns72200;
    bind(lib, "CIDBIO_SetSerialCommPort", CIDBIO_SetSerialCommPort);
    bind(lib, "CIDBIO_Init", CIDBIO_Init);
    bind(lib, "CIDBIO_Terminate", CIDBIO_Terminate);
    bind(lib, "CIDBIO_CaptureImage", CIDBIO_CaptureImage);
    bind(lib, "CIDBIO_CaptureImageAndTemplate", CIDBIO_CaptureImageAndTemplate);
    bind(lib, "CIDBIO_CaptureAndEnroll", CIDBIO_CaptureAndEnroll);
    bind(lib, "CIDBIO_CaptureAndIdentify", CIDBIO_CaptureAndIdentify);
    bind(lib, "CIDBIO_CaptureAndMatch", CIDBIO_CaptureAndMatch);
    bind(lib, "CIDBIO_CheckFingerprint", CIDBIO_CheckFingerprint);
    bind(lib, "CIDBIO_CancelCapture", CIDBIO_CancelCapture);
    bind(lib, "CIDBIO_ExtractTemplateFromImage", CIDBIO_ExtractTemplateFromImage);
    bind(lib, "CIDBIO_MergeTemplates", CIDBIO_MergeTemplates);
    bind(lib, "CIDBIO_MatchTemplates", CIDBIO_MatchTemplates);
    bind(lib, "CIDBIO_MatchTemplateByID", CIDBIO_MatchTemplateByID);
    bind(lib, "CIDBIO_GetTemplateIDs", CIDBIO_GetTemplateIDs);
    bind(lib, "CIDBIO_GetTemplate", CIDBIO_GetTemplate);
    bind(lib, "CIDBIO_SaveTemplate", CIDBIO_SaveTemplate);
    bind(lib, "CIDBIO_DeleteTemplate", CIDBIO_DeleteTemplate);
    bind(lib, "CIDBIO_DeleteAllTemplates", CIDBIO_DeleteAllTemplates);
    bind(lib, "CIDBIO_SetParameter", CIDBIO_SetParameter);
    bind(lib, "CIDBIO_GetParameter", CIDBIO_GetParameter);
    bind(lib, "CIDBIO_GetDeviceInfo", CIDBIO_GetDeviceInfo);
    bind(lib, "CIDBIO_UpdateFirmware", CIDBIO_UpdateFirmware);
    bind(lib, "CIDBIO_GetErrorMessage", CIDBIO_GetErrorMessage);
    bind(lib, "CIDBIO_FreeByteArray", CIDBIO_FreeByteArray);
    bind(lib, "CIDBIO_FreeString", CIDBIO_FreeString);
    bind(lib, "CIDBIO_FreeIDArray", CIDBIO_FreeIDArray);
}

} // namespace

QString defaultFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("libcidbio.dll");
#else
    return QStringLiteral("libcidbio.so");
#endif
}

bool load(const QString &fileName)
{
    if (g_library)
        return true;
    g_fileName = fileName.trimmed().isEmpty() ? defaultFileName() : fileName.trimmed();
    auto *lib = new QLibrary(g_fileName);
    if (!lib->load()) {
        g_error = lib->errorString();
        delete lib;
        return false;
    }
    g_error.clear();
    g_library = lib;
    bindAll(*lib);
    return true;
}

bool loaded()
{
    return g_library != nullptr;
}

QString fileName()
{
    return g_fileName;
}

QString loadError()
{
    return g_error;
}

} // namespace IdBioLibrary
