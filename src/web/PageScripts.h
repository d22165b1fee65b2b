#pragma once

#include <QString>

// Every script the program runs in a page, in one place. Each is a self-invoking function that returns plain
// values (a JSON text or a boolean), so the C++ side never holds a reference into the page. The readers run in
// the program's own script world, where the page cannot have replaced JSON, arrays or DOM getters.
namespace PageScripts {

// A JavaScript string literal holding `text` exactly.
QString literal(const QString &text);

// The top-level document as JSON: {hasDocument, url, outerHtml, divs: [{className, firstAnchor}], anchors: [...]},
// each anchor {innerText, innerHtml, className, href}; a page larger than kPageReadLimit gives {hasDocument: false,
// oversize: its length} and nothing else.
QString snapshot();
// Installed in the top-level document before it is parsed, in the program's script world: counts what the parser
// adds and stops the load once the page passes kPageReadLimit characters, so that a page of tens of megabytes (or a
// small compressed one that unpacks to a gigabyte) never grows the page process far beyond what could be read
// anyway. The snapshot of a page stopped so reports it as oversize.
QString sizeGuard();
// Every INPUT element as JSON: [{id, name, type, value}].
QString inputs();
// One element by tag name and index, or by id; `operation` is "exists", "click" or "setValue". Returns true when
// the element was found (and the operation done).
QString elementOperation(const QString &tagName, int index, const QString &id, const QString &operation,
                         const QString &value = {});

// Installed in every frame before the page's scripts: runs statements that the top-level page relays to it with
// `token` (so no other page can use the channel), each in the frame's own global scope.
QString frameRelay(const QString &token);
// Run in the top-level page: runs `statement` there and relays it to every inner frame at any depth, whatever its
// origin.
QString runInAllFrames(const QString &token, const QString &statement);

// Installed in every frame before the page's scripts: takes away the page's alert, confirm and modal dialogs,
// window opening, focus changes and closing, so that nothing waits for an answer to a page's dialog or window.
QString dialogSuppression();
// Clears the handlers by which a page blocks the context menu, selection and copying: on the body, the document
// and every table, cell, span and div (run in the page and in every frame inside it).
QString unblockContextMenuAndCopying();

} // namespace PageScripts
