#include "core/store/SettingsStore.h"

#include "core/util/DataFolder.h"

#include <QHash>
#include <QSettings>
#include <memory>

namespace {
std::unique_ptr<QSettings> openFile(const QString &application)
{
    if (DataFolder::isOverridden())
        return std::make_unique<QSettings>(DataFolder::filePath(application + QStringLiteral(".ini")),
                                           QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, application, application);
}

QString address(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// The file's values as texts, keyed by "section/key", for the application and data folder they were read for.
class LoadedValues final
{
public:
    static LoadedValues &current(const QString &application)
    {
        static LoadedValues values;
        values.follow(application);
        return values;
    }

    std::optional<QString> value(const QString &address) const
    {
        const auto found = m_values.constFind(address);
        return found == m_values.cend() ? std::nullopt : std::optional<QString>(*found);
    }

    void write(const QString &address, const QString &value)
    {
        m_values.insert(address, value);
        const auto file = openFile(m_application);
        file->setValue(address, value);
        file->sync();
    }

private:
    // Reads the file again only when the application or the data folder differs from the last read.
    void follow(const QString &application)
    {
        QByteArray home = qgetenv("PAPERHARVEST_HOME");
        if (m_loaded && application == m_application && home == m_home)
            return;
        m_application = application;
        m_home = std::move(home);
        m_values.clear();
        const auto file = openFile(application);
        for (const QString &key : file->allKeys())
            m_values.insert(key, file->value(key).toString());
        m_loaded = true;
    }

    bool m_loaded = false;
    QString m_application;
    QByteArray m_home;
    QHash<QString, QString> m_values;
};
} // namespace

std::optional<QString> StoredSetting(const QString &application, const QString &section, const QString &key)
{
    return LoadedValues::current(application).value(address(section, key));
}

QString ReadSetting(const QString &application, const QString &section, const QString &key, const QString &defaultValue)
{
    return StoredSetting(application, section, key).value_or(defaultValue);
}

void WriteSetting(const QString &application, const QString &section, const QString &key, const QString &value)
{
    LoadedValues::current(application).write(address(section, key), value);
}
