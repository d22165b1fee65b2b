#pragma once

#include <QString>

// The batch mode's own texts: English, as its lines for terminals, logs and scripts are.
namespace BatchTexts {
// Starts every error line, so that a log mixing several programs still tells whose line it is.
inline const QString kErrorPrefix = QStringLiteral("paperharvest batch: ");
// Ends the line of a bad argument.
inline const QString kHelpHint = QStringLiteral(" (see \"paperharvest batch --help\")");

// The bar's fields beside the stage, the count and the bytes: the time elapsed and the time left.
inline const QString kElapsed = QStringLiteral("elapsed %1");
inline const QString kLeft = QStringLiteral("left %1");
} // namespace BatchTexts
