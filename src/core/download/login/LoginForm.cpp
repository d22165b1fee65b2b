#include "core/download/login/LoginForm.h"

#include <QStringList>

namespace {
const QStringList kAccountNames{QStringLiteral("userid"), QStringLiteral("user"), QStringLiteral("username"),
                                QStringLiteral("useruid")};
const QStringList kPasswordNames{QStringLiteral("pass"), QStringLiteral("password"), QStringLiteral("passwd")};
} // namespace

LoginFormPlan PlanAccountLogin(const QList<PageInput> &inputs, const QString &account, const QString &password)
{
    LoginFormPlan plan;
    int filled = 0;
    for (int i = 0; i < inputs.size(); ++i) {
        const QString name = inputs[i].name.toLower();
        if (kAccountNames.contains(name)) {
            plan.values.append({i, account});
            ++filled;
        }
        if (kPasswordNames.contains(name)) {
            plan.values.append({i, password});
            ++filled;
        }
        if (inputs[i].type.toLower() == u"submit" && filled > 1) {
            plan.submit = i;
            break;
        }
    }
    return plan;
}
