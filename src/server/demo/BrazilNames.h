#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace cns {

// Word lists of the demo data: real places, common Brazilian names and the vocabulary of the
// companies that buy from the system. Lists, not rules; DemoData decides how they are combined.
class BrazilNames
{
public:
    struct State
    {
        QString uf;
        QString name;
    };
    struct Municipality
    {
        QString uf;
        QString name;
        int ddd = 0;       // area code of its phones
        int cepFirst = 0;  // first five digits of its postcodes, lowest and highest
        int cepLast = 0;
        QStringList districts;
    };
    struct Country
    {
        QString code; // the central bank's country code, as invoices carry it
        QString name;
    };

    static const QList<Country> &countries(); // Brazil first
    static const QList<State> &states();      // all 27 federative units
    static const QList<Municipality> &municipalities();
    static const QStringList &maleFirstNames();
    static const QStringList &femaleFirstNames();
    static const QStringList &surnames(); // some with their particle: "dos Santos"
    static const QStringList &streets();
    static const QStringList &addressComplements();
    static const QStringList &referencePoints();
    static const QStringList &costCentres();   // "Administrativo" first
    static const QStringList &consumerNotes(); // what the canteen must know about a consumer
    static const QStringList &mailProviders();
};

} // namespace cns
