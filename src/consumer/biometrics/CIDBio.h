#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// Arrays of the reader unit: an image's bytes, and template identifiers (32-bit, 4 bytes each).
using ByteArray = QList<quint8>;
using Int64Array = QList<qint32>;

// The iDBio reader library seen from the module. Each method calls the library function of the same
// name (IdBioLibrary) with its arguments in the same order and answers that function's result code;
// out parameters are emptied first and the library's buffers come back as the module's own copies
// (copy and free: a null buffer gives an empty result and is not handed back). A function the library
// lacks raises EErro naming it.
class CIDBio
{
public:
    static int SetSerialCommPort(const QString &port);
    static int Init();
    static int Terminate();
    // The message of a result code; empty when the library reports a negative result for it.
    static QString GetErrorMessage(int code);

    int CancelCapture();
    int DeleteAllTemplates();
    int CaptureImage(ByteArray &image, int &width, int &height);
    int CheckFingerprint(ByteArray &image, int &width, int &height);
    int CaptureImageAndTemplate(QString &templ, ByteArray &image, int &width, int &height, int &quality);
    int CaptureAndEnroll(int id);
    int CaptureAndIdentify(int &id, int &score, int &quality);
    int CaptureAndMatch(int id, int &score, int &quality);
    int ExtractTemplateFromImage(int width, int height, const ByteArray &image, QString &templ, int &quality);
    int MergeTemplates(const QString &templ1, const QString &templ2, const QString &templ3, QString &merged);
    int MatchTemplates(const QString &templ1, const QString &templ2, int &score);
    int MatchTemplateByID(int id, const QString &templ, int &score);
    int GetTemplateIDs(Int64Array &ids, int &count);
    int GetTemplate(int id, QString &templ);
    int SaveTemplate(int id, const QString &templ);
    int DeleteTemplate(int id);
    int SetParameter(int param, const QString &value);
    int GetParameter(int param, QString &value);
    // The reader's three texts about itself; what each says is the reader's business.
    int GetDeviceInfo(QString &info1, QString &info2, QString &info3);
    int UpdateFirmware(const QString &file);

    // Copy and free: the buffer's content as the module's own, then the buffer handed back.
    static QString CopyAndDeleteString(char *buffer);
    static ByteArray CopyAndDeleteBytes(quint8 *buffer, qint64 size);
    static Int64Array CopyAndDeleteIds(qint32 *buffer, int count);
};
