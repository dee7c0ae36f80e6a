#include "CIDBio.h"

#include "EErro.h"
#include "IdBioLibrary.h"

#include <cstring>

using namespace Cli_cns72200;

namespace {

// The function, or the reason it cannot be called: a library that never loaded, or one without it.
template<typename F> F need(F f, const char *name)
{
    if (f)
        return f;
    const QString function = QString::fromLatin1(name);
    if (!IdBioLibrary::loaded())
        throw cns::EErro(
            QStringLiteral("A biblioteca do leitor iDBio (%1) não foi carregada; %2 não pode ser chamada.")
                .arg(IdBioLibrary::fileName().isEmpty() ? IdBioLibrary::defaultFileName() : IdBioLibrary::fileName(),
                     function));
    throw cns::EErro(QStringLiteral("A biblioteca do leitor iDBio (%1) não tem a função %2.")
                         .arg(IdBioLibrary::fileName(), function));
}

// The reader's texts are single-byte; what it reads and writes stays byte for byte.
QByteArray bytes(const QString &text)
{
    return text.toLatin1();
}

} // namespace

QString CIDBio::CopyAndDeleteString(char *buffer)
{
    if (!buffer)
        return {};
    const QString copy = QString::fromLatin1(buffer, qsizetype(std::strlen(buffer)));
    need(CIDBIO_FreeString, "CIDBIO_FreeString")(buffer);
    return copy;
}

ByteArray CIDBio::CopyAndDeleteBytes(quint8 *buffer, qint64 size)
{
    if (!buffer)
        return {};
    ByteArray copy;
    if (size > 0)
        copy = ByteArray(buffer, buffer + size);
    need(CIDBIO_FreeByteArray, "CIDBIO_FreeByteArray")(buffer);
    return copy;
}

Int64Array CIDBio::CopyAndDeleteIds(qint32 *buffer, int count)
{
    if (!buffer)
        return {};
    Int64Array copy;
    if (count > 0)
        copy = Int64Array(buffer, buffer + count);
    need(CIDBIO_FreeIDArray, "CIDBIO_FreeIDArray")(buffer);
    return copy;
}

int CIDBio::SetSerialCommPort(const QString &port)
{
    return need(CIDBIO_SetSerialCommPort, "CIDBIO_SetSerialCommPort")(bytes(port).constData());
}

int CIDBio::Init()
{
    return need(CIDBIO_Init, "CIDBIO_Init")();
}

int CIDBio::Terminate()
{
    return need(CIDBIO_Terminate, "CIDBIO_Terminate")();
}

QString CIDBio::GetErrorMessage(int code)
{
    char *message = nullptr;
    const int ret = need(CIDBIO_GetErrorMessage, "CIDBIO_GetErrorMessage")(code, &message);
    // Handed back whatever the result: a failing library may still have given a buffer.
    const QString text = CopyAndDeleteString(message);
    return ret < 0 ? QString() : text;
}

int CIDBio::CancelCapture()
{
    return need(CIDBIO_CancelCapture, "CIDBIO_CancelCapture")();
}

int CIDBio::DeleteAllTemplates()
{
    return need(CIDBIO_DeleteAllTemplates, "CIDBIO_DeleteAllTemplates")();
}

int CIDBio::CaptureImage(ByteArray &image, int &width, int &height)
{
    image.clear();
    width = height = 0;
    quint8 *buffer = nullptr;
    const int ret = need(CIDBIO_CaptureImage, "CIDBIO_CaptureImage")(&buffer, &width, &height);
    image = CopyAndDeleteBytes(buffer, qint64(width) * height);
    return ret;
}

int CIDBio::CheckFingerprint(ByteArray &image, int &width, int &height)
{
    image.clear();
    width = height = 0;
    quint8 *buffer = nullptr;
    const int ret = need(CIDBIO_CheckFingerprint, "CIDBIO_CheckFingerprint")(&buffer, &width, &height);
    image = CopyAndDeleteBytes(buffer, qint64(width) * height);
    return ret;
}

int CIDBio::CaptureImageAndTemplate(QString &templ, ByteArray &image, int &width, int &height, int &quality)
{
    templ.clear();
    image.clear();
    width = height = quality = 0;
    char *text = nullptr;
    quint8 *buffer = nullptr;
    const int ret = need(CIDBIO_CaptureImageAndTemplate, "CIDBIO_CaptureImageAndTemplate")(&text, &buffer, &width,
                                                                                           &height, &quality);
    templ = CopyAndDeleteString(text);
    image = CopyAndDeleteBytes(buffer, qint64(width) * height);
    return ret;
}

int CIDBio::CaptureAndEnroll(int id)
{
    return need(CIDBIO_CaptureAndEnroll, "CIDBIO_CaptureAndEnroll")(id);
}

int CIDBio::CaptureAndIdentify(int &id, int &score, int &quality)
{
    id = score = quality = 0;
    return need(CIDBIO_CaptureAndIdentify, "CIDBIO_CaptureAndIdentify")(&id, &score, &quality);
}

int CIDBio::CaptureAndMatch(int id, int &score, int &quality)
{
    score = quality = 0;
    return need(CIDBIO_CaptureAndMatch, "CIDBIO_CaptureAndMatch")(id, &score, &quality);
}

int CIDBio::ExtractTemplateFromImage(int width, int height, const ByteArray &image, QString &templ, int &quality)
{
    templ.clear();
    quality = 0;
    // The library reads width x height bytes: a shorter image would have it read beyond the copy.
    const qint64 needed = qint64(width) * height;
    if (width <= 0 || height <= 0 || image.size() < needed)
        throw cns::EErro(QStringLiteral("A imagem da digital tem %1 bytes; a largura %2 e a altura %3 pedem %4.")
                             .arg(image.size())
                             .arg(width)
                             .arg(height)
                             .arg(needed));
    char *text = nullptr;
    const int ret = need(CIDBIO_ExtractTemplateFromImage,
                         "CIDBIO_ExtractTemplateFromImage")(width, height, image.constData(), &text, &quality);
    templ = CopyAndDeleteString(text);
    return ret;
}

int CIDBio::MergeTemplates(const QString &templ1, const QString &templ2, const QString &templ3, QString &merged)
{
    merged.clear();
    char *text = nullptr;
    const int ret = need(CIDBIO_MergeTemplates, "CIDBIO_MergeTemplates")(
        bytes(templ1).constData(), bytes(templ2).constData(), bytes(templ3).constData(), &text);
    merged = CopyAndDeleteString(text);
    return ret;
}

int CIDBio::MatchTemplates(const QString &templ1, const QString &templ2, int &score)
{
    score = 0;
    return need(CIDBIO_MatchTemplates, "CIDBIO_MatchTemplates")(bytes(templ1).constData(), bytes(templ2).constData(),
                                                                &score);
}

int CIDBio::MatchTemplateByID(int id, const QString &templ, int &score)
{
    score = 0;
    return need(CIDBIO_MatchTemplateByID, "CIDBIO_MatchTemplateByID")(id, bytes(templ).constData(), &score);
}

int CIDBio::GetTemplateIDs(Int64Array &ids, int &count)
{
    ids.clear();
    count = 0;
    qint32 *buffer = nullptr;
    const int ret = need(CIDBIO_GetTemplateIDs, "CIDBIO_GetTemplateIDs")(&buffer, &count);
    ids = CopyAndDeleteIds(buffer, count);
    return ret;
}

int CIDBio::GetTemplate(int id, QString &templ)
{
    templ.clear();
    char *text = nullptr;
    const int ret = need(CIDBIO_GetTemplate, "CIDBIO_GetTemplate")(id, &text);
    templ = CopyAndDeleteString(text);
    return ret;
}

int CIDBio::SaveTemplate(int id, const QString &templ)
{
    return need(CIDBIO_SaveTemplate, "CIDBIO_SaveTemplate")(id, bytes(templ).constData());
}

int CIDBio::DeleteTemplate(int id)
{
    return need(CIDBIO_DeleteTemplate, "CIDBIO_DeleteTemplate")(id);
}

int CIDBio::SetParameter(int param, const QString &value)
{
    return need(CIDBIO_SetParameter, "CIDBIO_SetParameter")(param, bytes(value).constData());
}

int CIDBio::GetParameter(int param, QString &value)
{
    value.clear();
    char *text = nullptr;
    const int ret = need(CIDBIO_GetParameter, "CIDBIO_GetParameter")(param, &text);
    value = CopyAndDeleteString(text);
    return ret;
}

int CIDBio::GetDeviceInfo(QString &info1, QString &info2, QString &info3)
{
    info1.clear();
    info2.clear();
    info3.clear();
    char *t1 = nullptr, *t2 = nullptr, *t3 = nullptr;
    const int ret = need(CIDBIO_GetDeviceInfo, "CIDBIO_GetDeviceInfo")(&t1, &t2, &t3);
    info1 = CopyAndDeleteString(t1);
    info2 = CopyAndDeleteString(t2);
    info3 = CopyAndDeleteString(t3);
    return ret;
}

int CIDBio::UpdateFirmware(const QString &file)
{
    return need(CIDBIO_UpdateFirmware, "CIDBIO_UpdateFirmware")(bytes(file).constData());
}
