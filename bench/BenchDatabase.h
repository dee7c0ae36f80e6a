#pragma once

#include "DatabaseUrl.h"
#include "DbSession.h"
#include "DemoData.h"
#include "Schema.h"

#include <QString>

namespace bench {

// The bench client of the demonstration data.
inline const QString kBenchClient = QStringLiteral("000000000000000009999");

// A SQLite database at path with the schema and the small demonstration data, plus the bench
// client with benchConsumers consumers when that is above 0.
inline cns::DatabaseUrl seedDatabase(const QString &path, int benchConsumers = 0)
{
    const cns::DatabaseUrl url = cns::DatabaseUrl::parse(QStringLiteral("sqlite:") + path);
    cns::DbSession &s = cns::DbSession::forThread(url);
    cns::Schema::createOrUpgrade(s.db());
    cns::DemoData::Options options;
    options.small = true;
    options.benchClientConsumers = benchConsumers;
    cns::DemoData::seed(s.db(), options);
    return url;
}

} // namespace bench
