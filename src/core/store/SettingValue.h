#pragma once

#include <QString>
#include <concepts>
#include <type_traits>
#include <utility>

// The types a stored text converts to: text as it is, whole numbers and decimal numbers as their decimal text,
// yes/no as "1" and "0".
template <typename T>
concept SettingType =
    std::same_as<T, QString> || std::same_as<T, int> || std::same_as<T, double> || std::same_as<T, bool>;

// One key of the settings store, declared once with its section, type and default. A key that was never written,
// or whose text does not read as its type, reads as the default. A yes/no key is yes when its text is the whole
// number 1.
template <SettingType T> class SettingValue final
{
public:
    constexpr SettingValue(const char *section, const char *key, T defaultValue)
        : m_section(section), m_key(key), m_default(std::move(defaultValue))
    {}

    T read() const;
    void write(const T &value) const;
    // Only the key's own type: a number never lands in a yes/no key, nor a decimal in a whole-number one.
    template <typename U>
    requires(!std::same_as<std::remove_cvref_t<U>, T> &&
             std::is_arithmetic_v<std::remove_cvref_t<U>>) void write(U) const = delete;

    QString section() const { return QString::fromUtf8(m_section); }
    QString key() const { return QString::fromUtf8(m_key); }

private:
    const char *m_section;
    const char *m_key;
    T m_default;
};

extern template class SettingValue<QString>;
extern template class SettingValue<int>;
extern template class SettingValue<double>;
extern template class SettingValue<bool>;
