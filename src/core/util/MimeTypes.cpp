#include "core/util/MimeTypes.h"

#include <QHash>
#include <QStringList>

namespace {
const QHash<QString, QString> &knownTypes()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t{
            {QStringLiteral("application/octet-stream"), QString()},
            {QStringLiteral("application/x-shockwave-flash"), QStringLiteral("swf")},
            {QStringLiteral("application/x-javascript"), QStringLiteral("js")},
            {QStringLiteral("application/vnd.rn-realmedia"), QStringLiteral("vnd.rn-realmedia")},
            {QStringLiteral("application/vnd.ms-wpl"), QStringLiteral("wpl")},
            {QStringLiteral("application/kdh"), QStringLiteral("kdh")},
            {QStringLiteral("application/caj"), QStringLiteral("caj")},
            {QStringLiteral("application/pdf"), QStringLiteral("pdf")},
            {QStringLiteral("application/caa"), QStringLiteral("caa")},
            {QStringLiteral("application/nh"), QStringLiteral("nh")},
            {QStringLiteral("text/html"), QStringLiteral("html")},
            {QStringLiteral("text/txt"), QStringLiteral("txt")},
            {QStringLiteral("text/htm"), QStringLiteral("htm")},
            {QStringLiteral("text/xml"), QStringLiteral("xml")},
            {QStringLiteral("text/css"), QStringLiteral("css")},
            {QStringLiteral("text/plain"), QStringLiteral("plain")},
            {QStringLiteral("image/tiff"), QStringLiteral("tif")},
            {QStringLiteral("image/x-png"), QStringLiteral("png")},
            {QStringLiteral("image/x-ms-bmp"), QStringLiteral("bmp")},
            {QStringLiteral("image/x-icon"), QStringLiteral("ico")},
            {QStringLiteral("video/mpeg"), QStringLiteral("mpeg")},
            {QStringLiteral("video/mpeg4"), QStringLiteral("mp4")},
            {QStringLiteral("video/x-msvideo"), QStringLiteral("avi")},
            {QStringLiteral("video/x-ms-asf"), QStringLiteral("asf")},
            {QStringLiteral("video/quicktime"), QStringLiteral("quicktime")},
            {QStringLiteral("audio/amr"), QStringLiteral("amr")},
            {QStringLiteral("audio/x-ms-wma"), QStringLiteral("wma")},
            {QStringLiteral("audio/x-wav"), QStringLiteral("wav")},
            {QStringLiteral("audio/x-pn-realaudio"), QStringLiteral("ram")},
            {QStringLiteral("audio/midi"), QStringLiteral("mid")},
            {QStringLiteral("audio/x-mpegurl"), QStringLiteral("x-mpegurl")},
        };
        for (const char *minor : {"jpg", "jpeg", "gif", "png", "bmp", "tif", "pjpeg", "g3fax", "ief"})
            t.insert(QStringLiteral("image/") + QLatin1String(minor), QLatin1String(minor));
        return t;
    }();
    return table;
}
} // namespace

QString MimeTypeToExtension(const QString &mediaType)
{
    const QStringList pieces = mediaType.split(u'/');
    if (pieces.size() != 2)
        return mediaType;
    const QString major = pieces[0].trimmed().toLower();
    QString minor = pieces[1].trimmed().toLower();
    minor.remove(u' ');

    const auto known = knownTypes().constFind(major + u'/' + minor);
    if (known != knownTypes().cend())
        return *known;

    static const QStringList majors{QStringLiteral("application"), QStringLiteral("text"), QStringLiteral("image"),
                                    QStringLiteral("video"), QStringLiteral("audio")};
    if (!majors.contains(major))
        return mediaType;
    if (minor.isEmpty() || minor == u'*')
        return major;
    return major == QLatin1String("application") ? QString() : mediaType;
}
