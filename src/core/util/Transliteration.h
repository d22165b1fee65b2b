#pragma once

#include <QString>

// `text` in plain ASCII letters as ICU transliterates it ("Any-Latin; Latin-ASCII"): 张三 gives "zhang san",
// Müller "Muller". Characters without a Latin reading stay as they are; the text unchanged when ICU has no such
// transliterator.
QString AsciiTransliteration(const QString &text);
