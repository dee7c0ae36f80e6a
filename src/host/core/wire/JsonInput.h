#pragma once

#include <rapidjson/rapidjson.h>
#include <rapidjson/stream.h>

#include <cstddef>

namespace cns {

// RapidJSON's input over a span of a text that need not end with a NUL (a body as received):
// past the span it reads '\0', which RapidJSON takes for the end. Positions count from the start
// of the whole text, so a span read a second time names the same positions as the first reading.
class JsonInput
{
public:
    using Ch = char;

    JsonInput(const char *text, const char *from, const char *to) : m_text(text), m_p(from), m_end(to) {}

    Ch Peek() const { return m_p < m_end ? *m_p : '\0'; }
    // RapidJSON's UTF-8 check takes a sequence's continuation bytes without peeking first.
    Ch Take() { return m_p < m_end ? *m_p++ : '\0'; }
    size_t Tell() const { return size_t(m_p - m_text); }

    const char *text() const { return m_text; }
    const char *end() const { return m_end; }

    // The writing half of RapidJSON's stream concept; only in-place parsing writes, and that is not used.
    Ch *PutBegin() { RAPIDJSON_ASSERT(false); return nullptr; }
    void Put(Ch) { RAPIDJSON_ASSERT(false); }
    void Flush() { RAPIDJSON_ASSERT(false); }
    size_t PutEnd(Ch *) { RAPIDJSON_ASSERT(false); return 0; }

private:
    const char *m_text;
    const char *m_p;
    const char *m_end;
};

} // namespace cns

// The parser may work on a copy of the input (kept in registers), written back when it is done.
template<>
struct rapidjson::StreamTraits<cns::JsonInput>
{
    enum { copyOptimization = 1 };
};
