// Which fields of a login page the account login fills and which button it presses.
#include "core/download/login/LoginForm.h"

#include <QtTest>

namespace {
// "name:type" per INPUT element, in document order.
QList<PageInput> inputsFrom(const QStringList &nameTypes)
{
    QList<PageInput> inputs;
    for (const QString &nameType : nameTypes)
        inputs.append(
            {QString(), nameType.section(QLatin1Char(':'), 0, 0), nameType.section(QLatin1Char(':'), 1), QString()});
    return inputs;
}

// "index=value" per value set, in order.
QStringList describe(const LoginFormPlan &plan)
{
    QStringList out;
    for (const auto &[index, value] : plan.values)
        out << QStringLiteral("%1=%2").arg(index).arg(value);
    return out;
}
} // namespace

class TestLoginForm final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void plan_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("submit");
        QTest::newRow("mixed-case names, submit button")
            << QStringList{"Username:text", "Password:password", "go:SUBMIT"} << QStringList{"0=acc", "1=pw"} << 2;
        QTest::newRow("image button: filled, not submitted")
            << QStringList{"user:text", "pass:password", "go:image"} << QStringList{"0=acc", "1=pw"} << -1;
        QTest::newRow("submit before the password field")
            << QStringList{"userid:text", "go:submit", "passwd:password"} << QStringList{"0=acc", "2=pw"} << -1;
        QTest::newRow("a later submit counts once both are filled")
            << QStringList{"useruid:text", "search:submit", "password:password", "hidden:hidden", "login:submit"}
            << QStringList{"0=acc", "2=pw"} << 4;
        QTest::newRow("stops at the submit button")
            << QStringList{"user:text", "pass:password", "go:submit", "user:text"} << QStringList{"0=acc", "1=pw"} << 2;
        QTest::newRow("other names are left alone")
            << QStringList{"email:text", "pwd:password", "go:submit"} << QStringList{} << -1;
        QTest::newRow("two account fields are enough to submit")
            << QStringList{"user:text", "username:text", "go:submit"} << QStringList{"0=acc", "1=acc"} << 2;
    }
    void plan()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, values);
        QFETCH(int, submit);
        const LoginFormPlan plan = PlanAccountLogin(inputsFrom(inputs), QStringLiteral("acc"), QStringLiteral("pw"));
        QCOMPARE(describe(plan), values);
        QCOMPARE(plan.submit, submit);
    }
};

QTEST_GUILESS_MAIN(TestLoginForm)
#include "test_loginform.moc"
