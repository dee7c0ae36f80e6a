#pragma once

#include "NBioBSPReader.h"

// Stand-in for the COM object "NBioBSPCOM.NBioBSP", which is Windows software and cannot exist on
// this platform: it behaves as a system where the component is not registered, so every member
// fails as the creation of the object would. The screen captures nothing and reports nothing then.
class UnregisteredNBioBSP : public NBioBSPReader
{
public:
    void create() override { fail(); }
    void setWindowStyle(int) override { fail(); }
    void setFingerWnd(quintptr) override { fail(); }
    void deviceOpen(int) override { fail(); }
    void capture() override { fail(); }
    QString textEncodeFIR() const override { fail(); }
    void deviceClose(int) override { fail(); }

private:
    [[noreturn]] static void fail();
};
