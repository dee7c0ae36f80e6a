#pragma once

class QObject;

// The busy indicator shown behind every server call. The host installs its window; tests install
// one that counts. Use Scope so that it is hidden on every path, failures included.
namespace Showavi {

class BusyIndicator
{
public:
    virtual ~BusyIndicator() = default;
    virtual void show(QObject *form, int kind) = 0;
    virtual void hide() = 0;
};

void install(BusyIndicator *indicator); // null: none
void ActiveShowAvi(QObject *form = nullptr, int kind = 0);
void DeactiveShowAvi();

class Scope
{
public:
    explicit Scope(QObject *form = nullptr, int kind = 0) { ActiveShowAvi(form, kind); }
    ~Scope() { DeactiveShowAvi(); }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
};

} // namespace Showavi
