#pragma once

#include <QByteArray>

// Sets (or, with a null value, removes) one environment variable for the object's lifetime, then puts back what
// was there.
class ScopedEnvironment final
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name), m_previous(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
    {
        set(value);
    }
    ~ScopedEnvironment()
    {
        if (m_wasSet)
            qputenv(m_name, m_previous);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

    void set(const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(m_name);
        else
            qputenv(m_name, value);
    }

private:
    const char *m_name;
    QByteArray m_previous;
    bool m_wasSet;
};
