#pragma once

#include <QString>

namespace cns {

// What the reading of a JSON text refuses, in words: the reader, which knows where it stopped,
// makes the message "JSON inválido na posição N: <what>." of it.
struct JsonRefusal
{
    QString what;
    // A lone low surrogate is only seen once its whole text is decoded; the position named is then
    // that of its escape inside the text that ends where the reading stopped.
    bool inTextBefore = false;
};

} // namespace cns
