#include "gui/shell/Sound.h"

#include "core/util/DataFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

static void initSoundResources()
{
    // The resources live in a static library: this reference keeps them linked in.
    Q_INIT_RESOURCE(sounds);
}

namespace {
QString resourcePath(int number)
{
    return QStringLiteral(":/sounds/%1.wav").arg(number);
}

// One effect per sound, kept for the life of the program so a sound can be replayed without reloading it.
QSoundEffect *effectFor(int number, const QString &path)
{
    static QHash<int, QPointer<QSoundEffect>> effects;
    QPointer<QSoundEffect> &effect = effects[number];
    if (!effect) {
        if (!QCoreApplication::instance())
            return nullptr;
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl::fromLocalFile(path));
    }
    return effect;
}
} // namespace

QString SoundFilePath(int number)
{
    initSoundResources();
    const QString path = DataFolder::filePath(QStringLiteral("%1.wav").arg(number));
    if (QFileInfo(path).isFile())
        return path;
    QFile embedded(resourcePath(number));
    if (!embedded.open(QIODevice::ReadOnly))
        return {};
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(embedded.readAll()) != embedded.size()) {
        out.remove();
        return {};
    }
    return path;
}

void PlaySoundNumber(int number)
{
    const QString path = SoundFilePath(number);
    if (path.isEmpty())
        return;
    if (QSoundEffect *effect = effectFor(number, path))
        effect->play();
}
