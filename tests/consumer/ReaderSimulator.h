#pragma once

#include <QLibrary>
#include <QtGlobal>

// The reader simulator (libcidbio.so built with the project) as a test steers and watches it: its
// answers change with the words of CIDBIO_SIM, and it counts calls and buffers. The module loads
// the same file, so both see one simulator.
class ReaderSimulator
{
public:
    explicit ReaderSimulator(const QString &path) : m_lib(path)
    {
        m_count = reinterpret_cast<int (*)(const char *)>(m_lib.resolve("CIDBIOSIM_Count"));
        m_outstanding = reinterpret_cast<int (*)()>(m_lib.resolve("CIDBIOSIM_Outstanding"));
        m_reset = reinterpret_cast<void (*)()>(m_lib.resolve("CIDBIOSIM_Reset"));
    }
    bool ready() const { return m_count && m_outstanding && m_reset; }

    static void setMode(const QByteArray &words) { qputenv("CIDBIO_SIM", words); }
    void reset()
    {
        setMode({});
        m_reset();
    }
    int count(const char *name) const { return m_count(name); }
    int outstanding() const { return m_outstanding(); }
    // Every buffer handed out came back once, and nothing else was handed back.
    bool buffersBalanced() const
    {
        return count("CIDBIO_FreeString") == count("String") && count("CIDBIO_FreeByteArray") == count("ByteArray")
            && count("CIDBIO_FreeIDArray") == count("IDArray") && outstanding() == 0 && count("BadFree") == 0;
    }

private:
    QLibrary m_lib;
    int (*m_count)(const char *) = nullptr;
    int (*m_outstanding)() = nullptr;
    void (*m_reset)() = nullptr;
};
