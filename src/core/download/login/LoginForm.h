#pragma once

#include "core/net/Browser.h"

#include <QList>
#include <QString>
#include <utility>

// What an account login does to a page's INPUT elements: the values it sets and the one it clicks.
struct LoginFormPlan {
    // (index among the INPUT elements in document order, value), in the order they are set.
    QList<std::pair<int, QString>> values;
    // The INPUT element to click, -1 when none: the first of type "submit" that comes after both an account and a
    // password field (or any two of them) were filled.
    int submit = -1;
};

// Fills every field named like an account ("userid", "user", "username", "useruid") with `account` and every
// field named like a password ("pass", "password", "passwd") with `password`, names and types compared ignoring
// case, walking the elements in document order until the submit button is chosen.
LoginFormPlan PlanAccountLogin(const QList<PageInput> &inputs, const QString &account, const QString &password);
