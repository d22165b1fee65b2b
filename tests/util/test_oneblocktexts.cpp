#include "core/util/OneBlockTexts.h"

#include <QStringList>
#include <QTest>

class TestOneBlockTexts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A row's texts share one block; each must still read, end, copy and change as a string of its own, also once
    // the others are gone.
    void textsInOneBlockActAsTheirOwn()
    {
        const QStringList before{QStringLiteral("http://h/%1.pdf").arg(7),
                                 QStringLiteral("名称%1").arg(7),
                                 QString::fromLatin1(""),
                                 QString(),
                                 QStringLiteral("pdf"),
                                 QStringLiteral("http://h/7.pdf?from=list")};
        QString address, name, empty, null, literal, referrer;
        CopyIntoOneBlock({{before.at(0), address},
                          {before.at(1), name},
                          {before.at(2), empty},
                          {before.at(3), null},
                          {before.at(4), literal},
                          {before.at(5), referrer}});
        QCOMPARE((QStringList{address, name, empty, null, literal, referrer}), before);
        QVERIFY(!empty.isNull());
        QVERIFY(null.isNull());
        QCOMPARE(name.constData() - address.constData(), address.size() + 1);
        for (const QString *text : {&address, &name, &referrer})
            QCOMPARE(text->utf16()[text->size()], u'\0');

        // Changing one while the others live must not write over them.
        QString copy = name;
        copy += QStringLiteral("-changed");
        name.append(QLatin1Char('!'));
        QCOMPARE(address, before.at(0));
        QCOMPARE(referrer, before.at(5));
        QCOMPARE(copy, before.at(1) + QStringLiteral("-changed"));

        // The last holder keeps the block and may grow over its dead neighbours.
        QString kept = address;
        address.clear();
        referrer = QString();
        kept += QStringLiteral("#end");
        QCOMPARE(kept, before.at(0) + QStringLiteral("#end"));
        QCOMPARE(kept.utf16()[kept.size()], u'\0');
    }

    // Texts at hand only as views into a buffer used again land in one block of their own; the block outlives the
    // buffer, and copying the texts once more keeps them where they are.
    void viewsPlacedInOneBlock()
    {
        QString buffer = QStringLiteral("http://h/1.pdf名称");
        QString address, name, empty, null;
        PlaceInOneBlock({{QStringView(buffer).first(14), address},
                         {QStringView(buffer).sliced(14), name},
                         {QStringView(buffer).first(0), empty},
                         {QStringView(), null}});
        buffer.fill(QLatin1Char('x'));
        QCOMPARE(address, QStringLiteral("http://h/1.pdf"));
        QCOMPARE(name, QStringLiteral("名称"));
        QVERIFY(address.isSharedWith(name));
        QCOMPARE(name.constData() - address.constData(), address.size() + 1);
        QCOMPARE(name.utf16()[name.size()], u'\0');
        QVERIFY(empty.isEmpty() && !empty.isNull());
        QVERIFY(null.isNull());

        const QString sameAddress = address;
        const QString sameName = name;
        QString settledAddress, settledName;
        CopyIntoOneBlock({{sameAddress, settledAddress}, {sameName, settledName}});
        QCOMPARE(settledAddress.constData(), address.constData());
        QCOMPARE(settledName.constData(), name.constData());

        // Texts of two different blocks still move into a new one.
        const QString other = QStringLiteral("名称%1").arg(2);
        CopyIntoOneBlock({{sameAddress, settledAddress}, {other, settledName}});
        QVERIFY(settledAddress.isSharedWith(settledName));
        QVERIFY(!settledAddress.isSharedWith(address));
        QCOMPARE(settledName, other);
    }
};

QTEST_GUILESS_MAIN(TestOneBlockTexts)
#include "test_oneblocktexts.moc"
