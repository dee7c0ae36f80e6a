#pragma once

#include "NBioBSPReader.h"

#include <QStringList>

// Stand-in for the first reader model's COM object in tests: a registered component with a reader
// attached that always captures the same template, recording what the screen asked of it.
class FixedNBioBSP : public NBioBSPReader
{
public:
    struct Log
    {
        QStringList calls;
        quintptr window = 0;
    };

    FixedNBioBSP(QString templ, Log &log) : m_templ(std::move(templ)), m_log(log) { }

    void create() override { m_log.calls << "create"; }
    void setWindowStyle(int style) override { m_log.calls << QString("WindowStyle=%1").arg(style); }
    void setFingerWnd(quintptr window) override
    {
        m_log.calls << "FingerWnd";
        m_log.window = window;
    }
    void deviceOpen(int device) override { m_log.calls << QString("Open(%1)").arg(device); }
    void capture() override { m_log.calls << "Capture"; }
    QString textEncodeFIR() const override
    {
        m_log.calls << "TextEncodeFIR";
        return m_templ;
    }
    void deviceClose(int device) override { m_log.calls << QString("Close(%1)").arg(device); }

private:
    QString m_templ;
    Log &m_log;
};
