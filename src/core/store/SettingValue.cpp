#include "core/store/SettingValue.h"

#include "core/store/SettingsStore.h"

#include <QLocale>
#include <optional>

namespace {
template <SettingType T> std::optional<T> fromText(const QString &text)
{
    if constexpr (std::same_as<T, QString>) {
        return text;
    } else {
        bool ok = false;
        const T value = [&]() -> T {
            if constexpr (std::same_as<T, double>)
                return text.trimmed().toDouble(&ok);
            else if constexpr (std::same_as<T, bool>)
                return text.trimmed().toInt(&ok) == 1;
            else
                return text.trimmed().toInt(&ok);
        }();
        return ok ? std::optional<T>(value) : std::nullopt;
    }
}

template <SettingType T> QString toText(const T &value)
{
    if constexpr (std::same_as<T, QString>)
        return value;
    else if constexpr (std::same_as<T, bool>)
        return QString::fromLatin1(value ? "1" : "0");
    else if constexpr (std::same_as<T, double>)
        // Plain decimal digits, never an exponent, and no more of them than it takes to read the value back.
        return QString::number(value, 'f', QLocale::FloatingPointShortest);
    else
        return QString::number(value);
}
} // namespace

template <SettingType T> T SettingValue<T>::read() const
{
    const std::optional<QString> text = StoredSetting(ApplicationTitle(), section(), key());
    if (!text)
        return m_default;
    return fromText<T>(*text).value_or(m_default);
}

template <SettingType T> void SettingValue<T>::write(const T &value) const
{
    WriteSetting(ApplicationTitle(), section(), key(), toText(value));
}

template class SettingValue<QString>;
template class SettingValue<int>;
template class SettingValue<double>;
template class SettingValue<bool>;
