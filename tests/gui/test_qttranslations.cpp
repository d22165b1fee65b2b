#include "gui/shell/QtTranslations.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class TestQtTranslations final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!QDir(folder).exists(QStringLiteral("qtbase_zh_CN.qm")))
            QSKIP(qPrintable(QStringLiteral("Qt's Chinese translations are not installed in %1 "
                                            "(package qt6-translations-l10n)")
                                 .arg(folder)));
        QVERIFY(InstallQtTranslations());
    }

    void standardButtonsReadChinese_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("yes") << QMessageBox::Yes << QStringLiteral("是");
        QTest::newRow("no") << QMessageBox::No << QStringLiteral("否");
        QTest::newRow("ok") << QMessageBox::Ok << QStringLiteral("确定");
        QTest::newRow("cancel") << QMessageBox::Cancel << QStringLiteral("取消");
    }
    void standardButtonsReadChinese()
    {
        QFETCH(QMessageBox::StandardButton, button);
        QFETCH(QString, text);
        QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"), button);
        QAbstractButton *shown = box.button(button);
        QVERIFY(shown);
        // The mnemonic differs between catalogue versions ("是(&Y)"); the word is what the user reads.
        QVERIFY2(shown->text().contains(text), qPrintable(shown->text()));
    }
};

QTEST_MAIN(TestQtTranslations)
#include "test_qttranslations.moc"
