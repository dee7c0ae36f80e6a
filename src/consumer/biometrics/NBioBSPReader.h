#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

// The first reader model ("Hamster DX - NGC-HFDU06 (A)"), driven through the COM object
// "NBioBSPCOM.NBioBSP": only the members the consumer screen uses. Every member raises when the
// component cannot do it (not registered, reader absent, capture given up).
class NBioBSPReader
{
public:
    static constexpr int kAutoDevice = 255; // Device.Open / Device.Close: the first reader found

    virtual ~NBioBSPReader() = default;

    // Creates the COM object and reads its Device, Extraction and Matching objects.
    virtual void create() = 0;
    virtual void setWindowStyle(int style) = 0; // Extraction.WindowStyle
    virtual void setFingerWnd(quintptr window) = 0; // Extraction.FingerWnd: where the capture window is drawn
    virtual void deviceOpen(int device) = 0; // Device.Open
    virtual void capture() = 0; // Extraction.Capture, its optional argument omitted
    virtual QString textEncodeFIR() const = 0; // Extraction.TextEncodeFIR: the template as text
    virtual void deviceClose(int device) = 0; // Device.Close

    // A fresh reader object, as each capture makes one; by default the platform's.
    using Maker = std::function<std::unique_ptr<NBioBSPReader>()>;
    static std::unique_ptr<NBioBSPReader> make();
    static void setMaker(Maker maker); // empty: back to the platform's
};
