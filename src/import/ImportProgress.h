#pragma once

#include <QString>

namespace cns::import {

// What the import tells whoever shows its progress (the screen's progress panel, or nothing).
class ImportProgress
{
public:
    enum class Panel { Loading, Checking, Importing, Hidden };

    virtual ~ImportProgress() = default;
    virtual void showPanel(Panel) {}
    virtual void fileStarted(const QString & /*label*/, qint64 /*sizeInBytes*/) {}
    // After each row made: the bytes of the line and its line end.
    virtual void advance(qint64 /*bytes*/) {}
};

} // namespace cns::import
