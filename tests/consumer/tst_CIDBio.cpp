#include "CIDBio.h"
#include "EErro.h"
#include "IdBioLibrary.h"
#include "ReaderSimulator.h"

#include <QTest>

// The reader wrapper over the simulator: binding by name, argument order, result codes, and the copy
// and free of every buffer the library hands out.
class tst_CIDBio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyFunctionIsBoundByName();
    void captureCopiesTemplateAndImageAndHandsThemBack_data();
    void captureCopiesTemplateAndImageAndHandsThemBack();
    void errorMessage_data();
    void errorMessage();
    void storedTemplatesAndIdentifiers();
    void textsCrossByteForByte();
    void deviceInfoAndParameters();
    void shortImageIsRefusedBeforeTheLibraryReadsIt();
    void loadingAgainKeepsTheFirstLibrary();

private:
    std::unique_ptr<ReaderSimulator> m_sim;
};

void tst_CIDBio::initTestCase()
{
    QVERIFY(!IdBioLibrary::loaded());
    QVERIFY(IdBioLibrary::load(CNS_CIDBIO_SIM));
    m_sim = std::make_unique<ReaderSimulator>(CNS_CIDBIO_SIM);
    QVERIFY(m_sim->ready());
}

void tst_CIDBio::init()
{
    m_sim->reset();
}

void tst_CIDBio::cleanup()
{
    QVERIFY2(m_sim->buffersBalanced(), "a buffer of the library was not handed back once");
}

void tst_CIDBio::everyFunctionIsBoundByName()
{
    using namespace Cli_cns72200;
    const QList<QPair<const char *, const void *>> bound {
        {"SetSerialCommPort", reinterpret_cast<const void *>(CIDBIO_SetSerialCommPort)},
        {"Init", reinterpret_cast<const void *>(CIDBIO_Init)},
        {"Terminate", reinterpret_cast<const void *>(CIDBIO_Terminate)},
        {"CaptureImage", reinterpret_cast<const void *>(CIDBIO_CaptureImage)},
        {"CaptureImageAndTemplate", reinterpret_cast<const void *>(CIDBIO_CaptureImageAndTemplate)},
        {"CaptureAndEnroll", reinterpret_cast<const void *>(CIDBIO_CaptureAndEnroll)},
        {"CaptureAndIdentify", reinterpret_cast<const void *>(CIDBIO_CaptureAndIdentify)},
        {"CaptureAndMatch", reinterpret_cast<const void *>(CIDBIO_CaptureAndMatch)},
        {"CheckFingerprint", reinterpret_cast<const void *>(CIDBIO_CheckFingerprint)},
        {"CancelCapture", reinterpret_cast<const void *>(CIDBIO_CancelCapture)},
        {"ExtractTemplateFromImage", reinterpret_cast<const void *>(CIDBIO_ExtractTemplateFromImage)},
        {"MergeTemplates", reinterpret_cast<const void *>(CIDBIO_MergeTemplates)},
        {"MatchTemplates", reinterpret_cast<const void *>(CIDBIO_MatchTemplates)},
        {"MatchTemplateByID", reinterpret_cast<const void *>(CIDBIO_MatchTemplateByID)},
        {"GetTemplateIDs", reinterpret_cast<const void *>(CIDBIO_GetTemplateIDs)},
        {"GetTemplate", reinterpret_cast<const void *>(CIDBIO_GetTemplate)},
        {"SaveTemplate", reinterpret_cast<const void *>(CIDBIO_SaveTemplate)},
        {"DeleteTemplate", reinterpret_cast<const void *>(CIDBIO_DeleteTemplate)},
        {"DeleteAllTemplates", reinterpret_cast<const void *>(CIDBIO_DeleteAllTemplates)},
        {"SetParameter", reinterpret_cast<const void *>(CIDBIO_SetParameter)},
        {"GetParameter", reinterpret_cast<const void *>(CIDBIO_GetParameter)},
        {"GetDeviceInfo", reinterpret_cast<const void *>(CIDBIO_GetDeviceInfo)},
        {"UpdateFirmware", reinterpret_cast<const void *>(CIDBIO_UpdateFirmware)},
        {"GetErrorMessage", reinterpret_cast<const void *>(CIDBIO_GetErrorMessage)},
        {"FreeByteArray", reinterpret_cast<const void *>(CIDBIO_FreeByteArray)},
        {"FreeString", reinterpret_cast<const void *>(CIDBIO_FreeString)},
        {"FreeIDArray", reinterpret_cast<const void *>(CIDBIO_FreeIDArray)},
    };
    QCOMPARE(bound.size(), 27);
    QLibrary lib(CNS_CIDBIO_SIM);
    for (const auto &[name, pointer] : bound) {
        const QByteArray symbol = QByteArray("CIDBIO_") + name;
        QVERIFY2(pointer, symbol.constData());
        QCOMPARE(pointer, reinterpret_cast<const void *>(lib.resolve(symbol.constData())));
    }
}

void tst_CIDBio::captureCopiesTemplateAndImageAndHandsThemBack_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("gotTemplate");
    QTest::addColumn<int>("imageBytes");
    QTest::newRow("success") << QByteArray() << 0 << true << 16 * 20;
    QTest::newRow("time limit: no buffers") << QByteArray("timeout") << -2 << false << 0;
    QTest::newRow("null buffers: empty results, nothing freed") << QByteArray("null-buffers") << 0 << false << 0;
    QTest::newRow("negative code: buffers still handed back") << QByteArray("negative") << -1 << true << 16 * 20;
}

void tst_CIDBio::captureCopiesTemplateAndImageAndHandsThemBack()
{
    QFETCH(QByteArray, mode);
    QFETCH(int, code);
    QFETCH(bool, gotTemplate);
    QFETCH(int, imageBytes);
    ReaderSimulator::setMode(mode);
    CIDBio reader;
    // Out parameters hold stale values: the method empties them first.
    QString templ = "anterior";
    ByteArray image {1, 2, 3};
    int width = 99, height = 99, quality = 99;
    QCOMPARE(reader.CaptureImageAndTemplate(templ, image, width, height, quality), code);
    QCOMPARE(!templ.isEmpty(), gotTemplate);
    if (gotTemplate) {
        QVERIFY(templ.startsWith("SIM1:"));
        QCOMPARE(templ.size(), 512);
    }
    QCOMPARE(image.size(), imageBytes);
    if (imageBytes) {
        QCOMPARE(width * height, imageBytes);
        QCOMPARE(image.at(1), quint8(1 + 7)); // the simulator's bytes, copied in order
    }
    QCOMPARE(m_sim->count("CIDBIO_FreeString"), gotTemplate ? 1 : 0);
    QCOMPARE(m_sim->count("CIDBIO_FreeByteArray"), imageBytes ? 1 : 0);

    QCOMPARE(reader.CaptureImage(image, width, height), code);
    QCOMPARE(image.size(), imageBytes);
    QCOMPARE(reader.CheckFingerprint(image, width, height), code);
    QCOMPARE(image.size(), imageBytes);
}

void tst_CIDBio::errorMessage_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("known code") << QByteArray() << -2 << "Tempo de captura esgotado";
    QTest::newRow("unknown code: negative, no buffer") << QByteArray() << -77 << "";
    QTest::newRow("negative with a buffer: empty, buffer handed back") << QByteArray("negative") << -2 << "";
}

void tst_CIDBio::errorMessage()
{
    QFETCH(QByteArray, mode);
    QFETCH(int, code);
    QFETCH(QString, message);
    ReaderSimulator::setMode(mode);
    QCOMPARE(CIDBio::GetErrorMessage(code), message);
    QCOMPARE(m_sim->count("CIDBIO_GetErrorMessage"), 1);
}

void tst_CIDBio::storedTemplatesAndIdentifiers()
{
    CIDBio reader;
    QCOMPARE(reader.SaveTemplate(7, "T7"), 0);
    QCOMPARE(reader.SaveTemplate(3, "T3"), 0);
    QCOMPARE(reader.CaptureAndEnroll(11), 0);
    Int64Array ids {42};
    int count = -1;
    QCOMPARE(reader.GetTemplateIDs(ids, count), 0);
    QCOMPARE(count, 3);
    QCOMPARE(ids, (Int64Array {3, 7, 11}));
    QString templ;
    QCOMPARE(reader.GetTemplate(7, templ), 0);
    QCOMPARE(templ, QString("T7"));
    int score = 0;
    QCOMPARE(reader.MatchTemplateByID(3, "T3", score), 0);
    QCOMPARE(score, 100);
    int id = 0, quality = 0;
    QCOMPARE(reader.CaptureAndIdentify(id, score, quality), 0);
    QCOMPARE(id, 3);
    QCOMPARE(reader.CaptureAndMatch(11, score, quality), 0);
    QCOMPARE(score, 100);
    QCOMPARE(reader.DeleteTemplate(3), 0);
    QCOMPARE(reader.GetTemplate(3, templ), -1);
    QVERIFY(templ.isEmpty());
    QCOMPARE(reader.DeleteAllTemplates(), 0);
    ReaderSimulator::setMode("null-buffers");
    QCOMPARE(reader.GetTemplateIDs(ids, count), 0);
    QVERIFY(ids.isEmpty());
    QCOMPARE(m_sim->count("CIDBIO_FreeIDArray"), 1); // only the first list came back
}

// Templates go to the library and come back unchanged, each in its own argument.
void tst_CIDBio::textsCrossByteForByte()
{
    CIDBio reader;
    QString merged = "anterior";
    QCOMPARE(reader.MergeTemplates("um", "dois", "três", merged), 0);
    QCOMPARE(merged, QString("um|dois|três"));
    int score = -1;
    QCOMPARE(reader.MatchTemplates("abc", "abc", score), 0);
    QCOMPARE(score, 100);
    QCOMPARE(reader.MatchTemplates("abc", "abd", score), 0);
    QCOMPARE(score, 0);
    ByteArray image(16 * 20, 5);
    QString templ;
    int quality = 0;
    QCOMPARE(reader.ExtractTemplateFromImage(16, 20, image, templ, quality), 0);
    QVERIFY(templ.startsWith("SIM"));
    QCOMPARE(quality, 70);
}

void tst_CIDBio::deviceInfoAndParameters()
{
    QCOMPARE(CIDBio::SetSerialCommPort("/dev/ttyUSB0"), 0);
    CIDBio reader;
    QString a = "x", b = "y", c = "z";
    QCOMPARE(reader.GetDeviceInfo(a, b, c), 0);
    QCOMPARE(QStringList({a, b, c}), QStringList({"1.0.0", "SIMULADOR-0001", "/dev/ttyUSB0"}));
    QCOMPARE(m_sim->count("CIDBIO_FreeString"), 3);
    QCOMPARE(reader.SetParameter(4, "ãé"), 0);
    QString value;
    QCOMPARE(reader.GetParameter(4, value), 0);
    QCOMPARE(value, QString("ãé"));
    QCOMPARE(reader.UpdateFirmware("firmware.bin"), 0);
    QCOMPARE(reader.CancelCapture(), 0);
    QCOMPARE(CIDBio::Init(), 0);
    QCOMPARE(CIDBio::Terminate(), 0);
    ReaderSimulator::setMode("init-fails");
    QCOMPARE(CIDBio::Init(), -1);
}

void tst_CIDBio::shortImageIsRefusedBeforeTheLibraryReadsIt()
{
    CIDBio reader;
    QString templ = "anterior";
    int quality = 0;
    try {
        reader.ExtractTemplateFromImage(16, 20, ByteArray(100, 1), templ, quality);
        QFAIL("a short image was passed to the library");
    } catch (const cns::EErro &e) {
        QCOMPARE(e.message(), QString("A imagem da digital tem 100 bytes; a largura 16 e a altura 20 pedem 320."));
    }
    QVERIFY(templ.isEmpty());
    QCOMPARE(m_sim->count("CIDBIO_ExtractTemplateFromImage"), 0);
}

void tst_CIDBio::loadingAgainKeepsTheFirstLibrary()
{
    QVERIFY(IdBioLibrary::load("/nenhum/lugar/libcidbio.so"));
    QCOMPARE(IdBioLibrary::fileName(), QString(CNS_CIDBIO_SIM));
    QCOMPARE(CIDBio::Init(), 0);
    QCOMPARE(m_sim->count("CIDBIO_Init"), 1);
}

QTEST_GUILESS_MAIN(tst_CIDBio)
#include "tst_CIDBio.moc"
