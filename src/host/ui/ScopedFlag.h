#pragma once

namespace cns::ui {

// Sets a flag for the life of a scope, also when it is left by an exception (a control writing its
// own value must not react to the change it causes).
class ScopedFlag
{
public:
    explicit ScopedFlag(bool &flag) : m_flag(flag) { m_flag = true; }
    ~ScopedFlag() { m_flag = false; }
    ScopedFlag(const ScopedFlag &) = delete;
    ScopedFlag &operator=(const ScopedFlag &) = delete;

private:
    bool &m_flag;
};

} // namespace cns::ui
