#include "core/store/Settings.h"

#include "core/util/DataFolder.h"

#include <QDir>
#include <QSettings>
#include <memory>

namespace {
std::unique_ptr<QSettings> openStore(const QString &application)
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
} // namespace

QString ReadSetting(const QString &application, const QString &section, const QString &key, const QString &defaultValue)
{
    const auto store = openStore(application);
    const QVariant value = store->value(address(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

void WriteSetting(const QString &application, const QString &section, const QString &key, const QString &value)
{
    const auto store = openStore(application);
    store->setValue(address(section, key), value);
    store->sync();
}

QString SettingKey::read() const
{
    return ReadSetting(ApplicationTitle(), QString::fromUtf8(section), QString::fromUtf8(key),
                       QString::fromUtf8(defaultValue));
}

int SettingKey::readInt() const
{
    bool ok = false;
    const int value = read().trimmed().toInt(&ok);
    return ok ? value : QString::fromUtf8(defaultValue).toInt();
}

double SettingKey::readDouble() const
{
    bool ok = false;
    const double value = read().trimmed().toDouble(&ok);
    return ok ? value : QString::fromUtf8(defaultValue).toDouble();
}

bool SettingKey::readFlag() const
{
    return read().trimmed() == QLatin1String("1");
}

void SettingKey::write(const QString &value) const
{
    WriteSetting(ApplicationTitle(), QString::fromUtf8(section), QString::fromUtf8(key), value);
}

QString DefaultDownloadFolder()
{
    return QDir::homePath() + QStringLiteral("/12345");
}

QString StoredDownloadFolder()
{
    const QString stored = SettingKeys::下载文件保存路径.read();
    return stored.isEmpty() ? DefaultDownloadFolder() : stored;
}

QString StoredCopyDestinationFolder()
{
    const QString stored = SettingKeys::目的文件夹.read();
    return stored.isEmpty() ? DataFolder::path() + QLatin1Char('/') : stored;
}
