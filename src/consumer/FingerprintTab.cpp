#include "FingerprintTab.h"

#include "CIDBio.h"
#include "Corvane.h"
#include "DataSet.h"
#include "EErro.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "IdBioLibrary.h"
#include "TMessages.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

using namespace cns;

namespace {

const QSize kPictureSize(150, 190);

// A drawn fingerprint: ridges as nested arcs, in the model's colour.
QPixmap fingerprintPixmap(const QColor &ink)
{
    QPixmap pix(kPictureSize);
    pix.fill(Qt::white);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
    const QPointF centre(kPictureSize.width() / 2.0, kPictureSize.height() / 2.0 + 10);
    for (int i = 0; i < 9; ++i) {
        const qreal rx = 8 + i * 7, ry = 12 + i * 9;
        const QRectF r(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry);
        // Each ridge is broken at a different place, as a real print's are.
        p.drawArc(r, (20 + i * 25) * 16, (300 - i * 8) * 16);
    }
    return pix;
}

QLabel *picture(QWidget *parent, const QString &name, const QPixmap &pix)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setPixmap(pix);
    l->setFixedSize(kPictureSize);
    l->hide();
    return l;
}

QFrame *capturePanel(QWidget *parent, const QString &name)
{
    auto *f = new QFrame(parent);
    f->setObjectName(name);
    f->setFixedSize(kPictureSize);
    f->setFrameShape(QFrame::StyledPanel);
    f->setAutoFillBackground(true);
    QPalette pal = f->palette();
    pal.setColor(QPalette::Window, Qt::white);
    f->setPalette(pal);
    return f;
}

} // namespace

FingerprintTab::FingerprintTab(QWidget *tab, DataSet &consumer, TMessages &messages)
    : QObject(tab), m_consumer(consumer), m_messages(messages)
{
    m_messages.add(
        QStringLiteral("DIGITAL_LONGA"),
        QStringLiteral(
            "A Digital %s capturada tem %s caracteres e o campo aceita no máximo 2000; ela não foi gravada.\r\n"
            "Realize a captura novamente."));
    build(tab);
    tab->installEventFilter(this);
}

FingerprintTab::~FingerprintTab() = default;

void FingerprintTab::build(QWidget *tab)
{
    auto *outer = new QVBoxLayout(tab);
    auto *leitor = new QGroupBox(QStringLiteral("Leitor"), tab);
    leitor->setObjectName(QStringLiteral("grbLeitor"));
    auto *leitorRow = new QHBoxLayout(leitor);
    leitorRow->addWidget(new QLabel(QStringLiteral("Modelo"), leitor));
    cboDigital = new QComboBox(leitor);
    cboDigital->setObjectName(QStringLiteral("cboDigital"));
    cboDigital->addItems({QStringLiteral("Hamster DX - NGC-HFDU06 (A)"), QStringLiteral("iDBio")});
    leitorRow->addWidget(cboDigital);
    leitorRow->addStretch();
    outer->addWidget(leitor);

    auto *imagens = new QGroupBox(QStringLiteral("Imagem "), tab);
    imagens->setObjectName(QStringLiteral("grbImagem"));
    auto *grid = new QGridLayout(imagens);
    const QPixmap hamsterInk = fingerprintPixmap(QColor(64, 64, 64));
    const QPixmap idBioInk = fingerprintPixmap(QColor(0, 112, 122));
    for (int i = 0; i < 2; ++i) {
        const QString suffix = i == 0 ? QString() : QStringLiteral("2");
        Finger &f = m_fingers[i];
        f.number = i + 1;
        f.field = QStringLiteral("DIGICONSUMIDOR") + suffix;
        f.panel = capturePanel(imagens, QStringLiteral("panDigital") + suffix);
        f.picture = picture(imagens, QStringLiteral("imagem") + suffix, hamsterInk);
        f.pictureIdBio = picture(imagens, QStringLiteral("imgDigital") + suffix, idBioInk);
        f.button = new QPushButton(QStringLiteral("Capturar Digital"), imagens);
        f.button->setObjectName(QStringLiteral("btndigital") + suffix);
        grid->addWidget(new QLabel(QStringLiteral("Digital %1").arg(f.number), imagens), 0, i, Qt::AlignHCenter);
        // The panel and the two pictures share one place: one of them is shown at a time.
        for (QWidget *w : {static_cast<QWidget *>(f.panel), static_cast<QWidget *>(f.picture),
                           static_cast<QWidget *>(f.pictureIdBio)})
            grid->addWidget(w, 1, i, Qt::AlignHCenter);
        grid->addWidget(f.button, 2, i, Qt::AlignHCenter);
    }
    grid->setColumnStretch(2, 1);
    outer->addWidget(imagens);
    outer->addStretch();

    panDigital = m_fingers[0].panel;
    panDigital2 = m_fingers[1].panel;
    imagem = m_fingers[0].picture;
    imagem2 = m_fingers[1].picture;
    imgDigital = m_fingers[0].pictureIdBio;
    imgDigital2 = m_fingers[1].pictureIdBio;
    btndigital = m_fingers[0].button;
    btndigital2 = m_fingers[1].button;
    connect(btndigital, &QPushButton::clicked, this, ui::HandlerGuard::guarded([this] { btndigitalClick(); }));
    connect(btndigital2, &QPushButton::clicked, this, ui::HandlerGuard::guarded([this] { btndigital2Click(); }));
}

FingerprintTab::Finger &FingerprintTab::finger(int number)
{
    return m_fingers[number - 1];
}

// The tab's page is shown each time the operator enters the tab.
bool FingerprintTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show)
        ui::HandlerGuard::run([this] { tshDigitalEnter(); });
    return QObject::eventFilter(watched, event);
}

void FingerprintTab::StartLeitorIdBio()
{
    IdBioLibrary::load(Corvane::context().BibliotecaIdBio());
}

void FingerprintTab::applyState(const Finger &f)
{
    const bool has = m_consumer.Active() && !m_consumer.FieldByName(f.field).AsString().isEmpty();
    f.panel->setVisible(!has);
    f.picture->setVisible(has && cboDigital->currentIndex() == kModelHamster);
    f.pictureIdBio->setVisible(has && cboDigital->currentIndex() == kModelIdBio);
}

void FingerprintTab::tshDigitalEnter()
{
    for (const Finger &f : m_fingers)
        applyState(f);
}

void FingerprintTab::showCapturePanels()
{
    for (const Finger &f : m_fingers) {
        f.panel->show();
        f.pictureIdBio->hide();
    }
}

void FingerprintTab::btndigitalClick()
{
    capture(finger(1));
}

void FingerprintTab::btndigital2Click()
{
    capture(finger(2));
}

void FingerprintTab::capture(Finger &f)
{
    if (cboDigital->currentIndex() == kModelIdBio)
        captureIdBio(f);
    else
        captureHamster(f);
}

// The COM object draws its own capture window in the finger's panel. Any failure of the component
// (not registered, no reader, capture given up) ends the capture without a word, the field untouched.
void FingerprintTab::captureHamster(Finger &f)
{
    f.panel->show();
    f.pictureIdBio->hide();
    m_reader.reset();
    try {
        auto reader = NBioBSPReader::make();
        reader->create();
        m_reader = std::move(reader);
    } catch (...) { }
    m_consumer.Edit();
    if (f.panel->isHidden()) {
        f.panel->show();
        f.picture->hide();
    }
    QString templ;
    try {
        if (!m_reader)
            return;
        m_reader->setWindowStyle(1);
        m_reader->setFingerWnd(quintptr(f.panel->winId()));
        m_reader->deviceOpen(NBioBSPReader::kAutoDevice);
        m_reader->capture();
        templ = m_reader->textEncodeFIR();
        if (fits(templ))
            write(f, templ);
        m_reader->deviceClose(NBioBSPReader::kAutoDevice);
    } catch (...) {
        return;
    }
    if (!fits(templ))
        m_messages.ShowMsg(u"DIGITAL_LONGA", MsgType::Warning, mbOK,
                           {QString::number(f.number), QString::number(templ.size())}, QStringLiteral("Atenção"));
}

void FingerprintTab::captureIdBio(Finger &f)
{
    setButtonsEnabled(false);
    const auto enableAgain = qScopeGuard([this] { setButtonsEnabled(true); });
    f.panel->show();
    f.picture->hide();
    f.pictureIdBio->hide();
    m_consumer.Edit();
    try {
        const QString templ = RetornarDigital();
        // A template the field cannot hold whole is a failed capture: never stored cut.
        if (!fits(templ)) {
            write(f, QString());
            m_messages.ShowMsg(u"DIGITAL_LONGA", MsgType::Warning, mbOK,
                               {QString::number(f.number), QString::number(templ.size())}, QStringLiteral("Atenção"));
            return;
        }
        write(f, templ);
        if (!templ.isEmpty()) {
            f.panel->hide();
            f.pictureIdBio->show();
        }
    } catch (const std::exception &e) {
        const auto *erro = dynamic_cast<const EErro *>(&e);
        HostDialogs::current().message(QStringLiteral("Erro: ")
                                           + (erro ? erro->message() : QString::fromLocal8Bit(e.what())),
                                       MsgType::Error, mbOK, QString());
    }
}

QString FingerprintTab::RetornarDigital()
{
    QString result;
    const int init = CIDBio::Init();
    try {
        if (init >= 0) {
            CIDBio reader;
            QString templ;
            ByteArray image;
            int width = 0, height = 0, quality = 0;
            // The library waits for the finger within its own time limit.
            if (reader.CaptureImageAndTemplate(templ, image, width, height, quality) != 0)
                m_messages.ShowMsg(u"TIMEOUT_IDBIO", MsgType::Warning, mbOK, {}, QStringLiteral("Atenção"));
            else
                result = templ;
        }
    } catch (...) {
        CIDBio::Terminate();
        throw;
    }
    CIDBio::Terminate();
    return result;
}

bool FingerprintTab::fits(const QString &templ)
{
    return templ.size() <= kMaxTemplate;
}

void FingerprintTab::write(const Finger &f, const QString &templ)
{
    Field &field = m_consumer.FieldByName(f.field);
    if (templ.isEmpty())
        field.Clear();
    else
        field.setAsString(templ);
}

void FingerprintTab::setButtonsEnabled(bool on)
{
    btndigital->setEnabled(on);
    btndigital2->setEnabled(on);
}
