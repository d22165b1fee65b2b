#pragma once

#include <QString>

// The page with its character set declared as `charset`: the charset of every <meta charset> and of every
// <meta http-equiv="Content-Type" content="…; charset=…"> is replaced; a page that declares none gets
// <meta charset="…"> at the start of its head. A page saved in another encoding than it was served in would
// otherwise tell every browser, the program's own included, to read its bytes wrongly.
QString WithDeclaredCharset(const QString &html, const QString &charset);
