#pragma once

#include <QString>

// `html` text with its character references replaced by the characters they stand for: the named ones a browser
// writes when it serialises text (&amp; &lt; &gt; &quot; &apos; &nbsp;, any letter case) and every numeric one
// (&#38; &#x26;). One pass, so "&amp;lt;" gives "&lt;". A reference to NUL, a surrogate or beyond U+10FFFF gives
// U+FFFD; anything else that only looks like a reference stays as it is. &nbsp; gives a plain space.
QString DecodeHtmlEntities(const QString &html);
