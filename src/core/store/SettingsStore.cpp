#include "core/store/SettingsStore.h"

#include "core/store/IniLineCheck.h"
#include "core/util/DataFolder.h"

#include <QFile>
#include <QHash>
#include <QSettings>
#include <QTemporaryFile>
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
        // Writing rewrites the whole file in Qt's own form: only a change is worth that.
        const auto found = m_values.constFind(address);
        if (found != m_values.cend() && *found == value)
            return;
        m_values.insert(address, value);
        // Written back, a file read without its faulty lines would lose them, and the user's edits with them.
        if (!m_problems.isEmpty())
            return;
        const auto file = openFile(m_application);
        file->setValue(address, value);
        file->sync();
        if (file->status() != QSettings::NoError)
            ++m_writeFailures;
    }

    int writeFailures() const { return m_writeFailures; }

    QList<SettingsFileProblem> problems() const { return m_problems; }

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
        m_problems.clear();
        const auto file = openFile(application);
        QFile raw(file->fileName());
        const QByteArray data = raw.open(QIODevice::ReadOnly) ? raw.readAll() : QByteArray();
        m_problems = FindIniProblems(data);
        if (m_problems.isEmpty()) {
            readFrom(*file);
        } else {
            // The good lines read as they stand, from a copy without the faulty ones.
            QTemporaryFile copy;
            if (copy.open() && copy.write(WithoutLines(data, m_problems)) >= 0 && copy.flush()) {
                QSettings clean(copy.fileName(), QSettings::IniFormat);
                readFrom(clean);
            }
        }
        m_loaded = true;
    }

    void readFrom(QSettings &file)
    {
        for (const QString &key : file.allKeys())
            m_values.insert(key, file.value(key).toString());
    }

    bool m_loaded = false;
    QList<SettingsFileProblem> m_problems;
    int m_writeFailures = 0;
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

QString SettingsFilePath(const QString &application)
{
    return openFile(application)->fileName();
}

QList<SettingsFileProblem> SettingsFileProblems(const QString &application)
{
    return LoadedValues::current(application).problems();
}

int SettingsWriteFailures(const QString &application)
{
    return LoadedValues::current(application).writeFailures();
}
