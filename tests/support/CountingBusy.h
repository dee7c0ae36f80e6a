#pragma once

#include "Showavi.h"

// The busy indicator for tests: counts shows and hides, and whether it is showing now.
class CountingBusy : public Showavi::BusyIndicator
{
public:
    CountingBusy() { Showavi::install(this); }
    ~CountingBusy() override { Showavi::install(nullptr); }

    int shows = 0;
    int hides = 0;
    bool visible() const { return shows > hides; }

    void show(QObject *, int) override { ++shows; }
    void hide() override { ++hides; }
};
