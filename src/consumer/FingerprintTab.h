#pragma once

#include "NBioBSPReader.h"

#include <QObject>
#include <QString>

#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;
class TMessages;

namespace cns {
class DataSet;
}

// The consumer screen's tab "Capturar Digital" (tshDigital): enrols up to two fingers of the current
// consumer with the reader model chosen in cboDigital and writes each template, as the reader gave
// it, into that finger's field of the consumer record only. Saving is the record's own.
class FingerprintTab : public QObject
{
    Q_OBJECT

public:
    static constexpr int kModelHamster = 0; // "Hamster DX - NGC-HFDU06 (A)", the COM object
    static constexpr int kModelIdBio = 1; // "iDBio", the C library
    static constexpr int kMaxTemplate = 2000; // DIGICONSUMIDOR and DIGICONSUMIDOR2

    // Builds the tab's controls into tab; consumer is the consumer packet, messages the screen's table.
    FingerprintTab(QWidget *tab, cns::DataSet &consumer, TMessages &messages);
    ~FingerprintTab() override;

    QComboBox *cboDigital;
    QFrame *panDigital, *panDigital2;
    QLabel *imagem, *imagem2, *imgDigital, *imgDigital2;
    QPushButton *btndigital, *btndigital2;

    // Loads the iDBio library named by the host (its default name when none), once per process.
    void StartLeitorIdBio();
    void tshDigitalEnter();
    void btndigitalClick();
    void btndigital2Click();
    // One capture with "iDBio": the template, or empty when the reader gave none.
    QString RetornarDigital();
    // A cancel of the consumer's edit: both capture panels shown, the "iDBio" pictures hidden.
    void showCapturePanels();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Finger
    {
        int number = 0;
        QString field;
        QFrame *panel = nullptr;
        QLabel *picture = nullptr; // shown with the first model
        QLabel *pictureIdBio = nullptr; // shown with "iDBio"
        QPushButton *button = nullptr;
    };

    void build(QWidget *tab);
    Finger &finger(int number);
    void applyState(const Finger &f);
    void capture(Finger &f);
    void captureHamster(Finger &f);
    void captureIdBio(Finger &f);
    static bool fits(const QString &templ);
    void write(const Finger &f, const QString &templ);
    void setButtonsEnabled(bool on);

    cns::DataSet &m_consumer;
    TMessages &m_messages;
    Finger m_fingers[2];
    std::unique_ptr<NBioBSPReader> m_reader; // made anew at each capture with the first model
};
